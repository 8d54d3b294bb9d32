#pragma once

#include "views/common/frmPropertiesBase.h"

namespace admin {

// The administrator's properties window: the shared window, with OK only.
class frmProperties : public frmPropertiesBase
{
    Q_OBJECT
public:
    explicit frmProperties(QWidget* parent = nullptr) : frmPropertiesBase(parent) {}
};

} // namespace admin
