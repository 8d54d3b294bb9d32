#pragma once

#include "tests/admin/AdminInstallation.h"
#include "tests/support/FileDialogFake.h"
#include "tests/support/MessageBoxRecorder.h"

#include <QStringList>
#include <functional>
#include <memory>

class QTimer;

class QWidget;
namespace admin {
class frmSetup;
class frmAddProgram;
} // namespace admin

// One administrator run on a fresh installation, with the message boxes and file dialogs
// faked. Closes every window and releases the catalogue when it ends.
class AdminSession
{
public:
    AdminSession() = default;
    ~AdminSession();
    AdminSession(const AdminSession&) = delete;
    AdminSession& operator=(const AdminSession&) = delete;

    // The start-up procedure on this installation's settings file.
    bool start();

    AdminInstallation inst;
    MessageBoxRecorder messages;
    FileDialogFake files;
};

// Closes and destroys every top-level window.
void closeAllWindows();
// Lets closed windows with Qt::WA_DeleteOnClose go.
void flushDeletes();

QStringList listed(const admin::frmSetup& setup);
void selectProgram(admin::frmSetup& setup, const QString& name);
// The open add dialogs (there should never be more than one).
QList<admin::frmAddProgram*> addDialogs();

// Runs handle on the next modal window as soon as it is shown (handle must close it),
// while the handler lives.
class ModalHandler
{
public:
    explicit ModalHandler(std::function<void(QWidget*)> handle);
    ~ModalHandler();
    ModalHandler(const ModalHandler&) = delete;
    ModalHandler& operator=(const ModalHandler&) = delete;
    bool ran() const { return mRan; }

private:
    std::function<void(QWidget*)> mHandle;
    std::unique_ptr<QTimer> mPoll;
    bool mRan = false;
};

// A message request in one line, for comparisons: "title|text|icon|buttons".
QString describe(const platform::MsgRequest& request);
QStringList described(const MessageBoxRecorder& recorder);
