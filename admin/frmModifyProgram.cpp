#include "admin/frmModifyProgram.h"

#include "admin/Controls.h"
#include "admin/frmSetup.h"
#include "catalogue/clsDBRoutines.h"
#include "settings/FileChecks.h"
#include "settings/clsEnvironment.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace admin {

frmModifyProgram::frmModifyProgram(frmSetup* owner)
    : frmProgramDialog("Modify A Runnable Program..", "Modify a runnable program....", "Save",
                       owner->catalogue(), owner->settings().DefaultDialogIconPath(), owner)
{
    setObjectName("frmModifyProgram");
}

void frmModifyProgram::setProgram(const QString& mStrName)
{
    mProgramName = TrimSpaces(mStrName);
    fillProgram();
}

void frmModifyProgram::fillProgram()
{
    Recordset rs = catalogue().loadProgram(mProgramName);
    if (rs.RecordCount() > 0) {
        // Loaded as stored; blanks go when the program is saved.
        txtProgramDescription()->setPlainText(rs.Fields("Program_Desc").toString());
        txtProgramName()->setText(rs.Fields("Program_Name").toString());
        txtProgramPath()->setText(rs.Fields("Program_Path").toString());
        txtProgramIcon()->setText(rs.Fields("Program_CustomIcon").toString());
        rs.Close();
        txtAudiences()->setText(catalogue().loadAudiences(mProgramName).join(", "));
        return;
    }
    rs.Close();
    message("Couldn't Load Program Information", "Error", platform::MsgIcon::Critical);
}

void frmModifyProgram::save()
{
    if (!checkFields())
        return;
    const std::optional<QStringList> audiences = typedAudiences();
    if (!audiences)
        return;
    const clsDBRoutines::NamedWrite result = catalogue().updateProgramIfNameFree(
        mProgramName, TrimSpaces(txtProgramName()->text()),
        TrimSpaces(txtProgramDescription()->toPlainText()), TrimSpaces(txtProgramPath()->text()),
        TrimSpaces(txtProgramIcon()->text()), *audiences);
    if (refusedAsTaken(result))
        return;
    const bool updated = result == clsDBRoutines::NamedWrite::Done;
    finishSave(updated, "Program Modified", updated ? QString() : catalogue().lastWriteFailure());
}
} // namespace admin
