#pragma once

#include "admin/frmProgramDialog.h"

namespace admin {

class frmSetup;

// Changes one catalogue program, found by the name it was opened for, so the name box
// can rename it. Shown modal, owned by the setup window.
class frmModifyProgram : public frmProgramDialog
{
    Q_OBJECT
public:
    // Works on the setup window's catalogue.
    explicit frmModifyProgram(frmSetup* owner);

    QString Program() const { return mProgramName; }
    // Stores the trimmed name and loads the program's data; no name is refused.
    void setProgram(const QString& mStrName);

private:
    void fillProgram();
    void save() override;

    QString mProgramName;
};

} // namespace admin
