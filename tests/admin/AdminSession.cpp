#include "tests/admin/AdminSession.h"

#include "admin/frmAddProgram.h"
#include "admin/frmSetup.h"
#include "admin/modMain.h"
#include "catalogue/clsDBRoutines.h"
#include "views/admin/ucProgramView.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>

AdminSession::~AdminSession()
{
    closeAllWindows();
    releaseDBRoutines();
}

bool AdminSession::start()
{
    return admin::Main(inst.iniPath());
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void closeAllWindows()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            window->close();
    }
    flushDeletes();
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (qobject_cast<admin::frmSetup*>(window) || qobject_cast<admin::frmAddProgram*>(window))
            delete window;
    }
}

QStringList listed(const admin::frmSetup& setup)
{
    QStringList names;
    const QListWidget* list = setup.ucProgramView1()->lstView();
    for (int i = 0; i < list->count(); ++i)
        names.append(list->item(i)->text());
    return names;
}

void selectProgram(admin::frmSetup& setup, const QString& name)
{
    QListWidget* list = setup.ucProgramView1()->lstView();
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        qFatal("%s is not listed", qPrintable(name));
    list->setCurrentItem(found.first());
}

QList<admin::frmAddProgram*> addDialogs()
{
    QList<admin::frmAddProgram*> dialogs;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<admin::frmAddProgram*>(window);
            dialog && dialog->isVisible())
            dialogs.append(dialog);
    }
    return dialogs;
}

ModalHandler::ModalHandler(std::function<void(QWidget*)> handle)
    : mHandle(std::move(handle)), mPoll(std::make_unique<QTimer>())
{
    QObject::connect(mPoll.get(), &QTimer::timeout, [this] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        mPoll->stop();
        mRan = true;
        mHandle(modal);
    });
    mPoll->start(10);
}

ModalHandler::~ModalHandler() = default;

QString describe(const platform::MsgRequest& request)
{
    static const char* const icons[] = {"Information", "Exclamation", "Critical", "Question"};
    return QString("%1|%2|%3|%4")
        .arg(request.title, request.text, icons[int(request.icon)],
             request.buttons == platform::MsgButtons::Ok ? "Ok" : "YesNo");
}

QStringList described(const MessageBoxRecorder& recorder)
{
    QStringList result;
    for (const auto& request : recorder.requests())
        result.append(describe(request));
    return result;
}
