#pragma once

#include "admin/frmProgramDialog.h"

namespace admin {

// Adds one program to the catalogue. Shown modeless and without an owner, so it can
// outlive the setup window.
class frmAddProgram : public frmProgramDialog
{
    Q_OBJECT
public:
    frmAddProgram(clsDBRoutines& catalogue, const QString& iconFolder, QWidget* parent = nullptr);

private:
    void save() override;
};

} // namespace admin
