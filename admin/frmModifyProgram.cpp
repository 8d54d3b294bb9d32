#include "admin/frmModifyProgram.h"

#include "catalogue/clsDBRoutines.h"
#include "platform/ui/MessageBox.h"
#include "settings/FileChecks.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace admin {

frmModifyProgram::frmModifyProgram(QWidget* parent)
    : frmProgramDialog("Modify A Runnable Program..", "Modify a runnable program....", "Save",
                       parent)
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
    Recordset rs = gDBRoutines().loadProgram(mProgramName);
    if (rs.RecordCount() > 0) {
        // Loaded as stored; blanks go when the program is saved.
        txtProgramDescription()->setPlainText(rs.Fields("Program_Desc").toString());
        txtProgramName()->setText(rs.Fields("Program_Name").toString());
        txtProgramPath()->setText(rs.Fields("Program_Path").toString());
        txtProgramIcon()->setText(rs.Fields("Program_CustomIcon").toString());
        rs.Close();
        return;
    }
    rs.Close();
    platform::MsgBox({"Couldn't Load Program Information",
                      "Error",
                      platform::MsgIcon::Critical,
                      platform::MsgButtons::Ok,
                      {},
                      0});
}

void frmModifyProgram::save()
{
    if (!checkFields())
        return;
    const bool updated = gDBRoutines().updateProgram(
        mProgramName, TrimSpaces(txtProgramName()->text()),
        TrimSpaces(txtProgramDescription()->toPlainText()), TrimSpaces(txtProgramPath()->text()),
        TrimSpaces(txtProgramIcon()->text()));
    if (!updated) {
        platform::MsgBox({"Unable to add program",
                          "Error",
                          platform::MsgIcon::Critical,
                          platform::MsgButtons::Ok,
                          {},
                          0});
        return;
    }
    platform::MsgBox({"Program Modified",
                      "Sucess",
                      platform::MsgIcon::Information,
                      platform::MsgButtons::Ok,
                      {},
                      0});
    refreshSetupList();
    close();
}

} // namespace admin
