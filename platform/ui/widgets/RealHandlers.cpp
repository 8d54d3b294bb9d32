#include "platform/ui/widgets/RealHandlers.h"

#include "platform/shell/Shell.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QShortcut>

namespace platform {
namespace {
QMessageBox::Icon toQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    case MsgIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

bool& overrideActive()
{
    static bool active = false;
    return active;
}
} // namespace

MsgAnswer showMessageBox(const MsgRequest& request)
{
    // Laying out megabytes of text would freeze the program for a long time.
    QMessageBox box(toQtIcon(request.icon), shortenedForDisplay(request.title),
                    shortenedForDisplay(request.text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (request.buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (!request.helpFile.isEmpty()) {
        // F1 anywhere in the box hands the help file to the desktop.
        auto* help = new QShortcut(QKeySequence(Qt::Key_F1), &box);
        QObject::connect(help, &QShortcut::activated, &box, [&request] {
            const ShellResult result = ShellExecute({request.helpFile, {}});
            if (!result.ok)
                MsgBox({result.error, request.title, MsgIcon::Exclamation, MsgButtons::Ok, {}, 0});
        });
    }

    // The hourglass must not hide the pointer over a question.
    const bool busy = overrideActive();
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (busy)
        QGuiApplication::restoreOverrideCursor();

    if (request.buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

std::optional<QString> showOpenFileDialog(const FileDialogRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.initialFolder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

void applyMousePointer(MousePointer pointer)
{
    bool& active = overrideActive();
    if (pointer == MousePointer::Hourglass && !active) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        active = true;
    } else if (pointer == MousePointer::Default && active) {
        QGuiApplication::restoreOverrideCursor();
        active = false;
    }
}

void installRealHandlers()
{
    setMsgHandler(showMessageBox);
    setFileDialogHandler(showOpenFileDialog);
    setMousePointerHandler(applyMousePointer);
    setShellHandler(systemShellExecute);
}
} // namespace platform
