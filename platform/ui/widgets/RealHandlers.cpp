#include "platform/ui/widgets/RealHandlers.h"

#include "platform/shell/Shell.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>

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

// F1 in a box with a help file: hand the file to the desktop.
class HelpKeyFilter : public QObject
{
public:
    HelpKeyFilter(QString helpFile, QString title, QObject* parent)
        : QObject(parent), mHelpFile(std::move(helpFile)), mTitle(std::move(title))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
            const ShellResult result = ShellExecute({mHelpFile, {}});
            if (!result.ok)
                MsgBox({result.error, mTitle, MsgIcon::Exclamation, MsgButtons::Ok, {}, 0});
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QString mHelpFile;
    QString mTitle;
};

bool& overrideActive()
{
    static bool active = false;
    return active;
}
} // namespace

MsgAnswer showMessageBox(const MsgRequest& request)
{
    QMessageBox box(toQtIcon(request.icon), request.title, request.text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    if (request.buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    if (!request.helpFile.isEmpty())
        box.installEventFilter(new HelpKeyFilter(request.helpFile, request.title, &box));

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
