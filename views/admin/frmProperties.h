#pragma once

#include "views/common/frmPropertiesBase.h"

namespace admin {

// The administrator's properties window: the shared window, with OK only, and a column
// beside it naming who the program is listed for.
class frmProperties : public frmPropertiesBase
{
    Q_OBJECT
public:
    frmProperties(clsDBRoutines& catalogue, const QString& defaultIcon, QWidget* parent = nullptr);
    // Opened by a window that hands on its catalogue and default icon (the setup window).
    template <class Holder>
    explicit frmProperties(Holder* holder)
        : frmProperties(holder->catalogue(), holder->defaultIcon(), holder)
    {
    }

private:
    void programFilled() override;

    QLabel* lblAudiences;
};

} // namespace admin
