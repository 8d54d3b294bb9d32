#include "admin/frmAddProgram.h"

#include "catalogue/clsDBRoutines.h"
#include "platform/ui/MessageBox.h"
#include "settings/FileChecks.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace admin {

frmAddProgram::frmAddProgram(clsDBRoutines& catalogue, const QString& iconFolder, QWidget* parent)
    : frmProgramDialog("Add A New Runnable Program..", "Add a new runnable program....", "Add..",
                       catalogue, iconFolder, parent)
{
    setObjectName("frmAddProgram");
    // Closing discards what was typed: the next Add starts with an empty dialog.
    setAttribute(Qt::WA_DeleteOnClose);
}

void frmAddProgram::save()
{
    if (!checkFields())
        return;
    const std::optional<QStringList> audiences = typedAudiences();
    if (!audiences)
        return;
    const clsDBRoutines::NamedWrite result = catalogue().addProgramIfNameFree(
        TrimSpaces(txtProgramName()->text()), TrimSpaces(txtProgramDescription()->toPlainText()),
        TrimSpaces(txtProgramPath()->text()), TrimSpaces(txtProgramIcon()->text()), *audiences);
    if (refusedAsTaken(result))
        return;
    if (result == clsDBRoutines::NamedWrite::Failed)
        platform::ShowError(*catalogue().lastWriteError());
    finishSave(result == clsDBRoutines::NamedWrite::Done, "Program Added");
}
} // namespace admin
