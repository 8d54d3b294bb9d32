#include "platform/shell/Shell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <memory>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {
namespace {
ShellHandler& installedHandler()
{
    static ShellHandler handler = systemShellExecute;
    return handler;
}

ShellResult failure(const QString& why)
{
    return ShellResult{false, why};
}

// What we need to run ourselves must not leak into the programs we start: a Qt
// program breaks when it inherits our library path, plugin path or platform.
QProcessEnvironment childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LD_LIBRARY_PATH"));
    environment.remove(QStringLiteral("QT_PLUGIN_PATH"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

void prepareChild(QProcess& process, const QString& program, const QStringList& arguments,
                  const QString& workingFolder)
{
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(workingFolder);
    process.setProcessEnvironment(childEnvironment());
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
}

// Native binaries and scripts run; a text file that merely carries the exec bit
// (no "#!") is a document, as it is for the desktop.
bool isProgram(const QFileInfo& info, const QMimeType& type)
{
    if (!info.isExecutable())
        return false;
    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return true; // executable but unreadable: only running it can work
    const QByteArray head = file.read(4);
    if (head.startsWith("#!") || head == QByteArray("\x7f"
                                                    "ELF",
                                                    4))
        return true;
    return type.inherits(QStringLiteral("application/x-executable"));
}

// Runs the program in workingFolder.
ShellResult startProgram(const QFileInfo& info, const QString& workingFolder)
{
    QProcess process;
    prepareChild(process, info.absoluteFilePath(), {}, workingFolder);
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return failure(
            QStringLiteral("The program \"%1\" could not be started: %2.")
                .arg(QDir::toNativeSeparators(info.absoluteFilePath()), process.errorString()));
    return {true, {}, pid};
}

ShellResult launchDesktopEntry(const QFileInfo& info)
{
    const QString path = QDir::toNativeSeparators(info.absoluteFilePath());
    if (!info.isReadable())
        return failure(
            QStringLiteral("You do not have permission to open the file \"%1\".").arg(path));
    // The entry's program inherits gio's standard streams: keep them away from pipes
    // that close when we are done with gio.
    auto* gio = new QProcess;
    prepareChild(*gio, QStringLiteral("gio"), {QStringLiteral("launch"), info.absoluteFilePath()},
                 info.absolutePath());
    QObject::connect(gio, &QProcess::finished, gio, &QObject::deleteLater);
    gio->start();
    if (!gio->waitForStarted()) {
        delete gio;
        return failure(QStringLiteral("The desktop entry \"%1\" could not be launched: the "
                                      "program gio is not installed.")
                           .arg(path));
    }
    // gio answers as soon as the entry's program has been spawned.
    if (!gio->waitForFinished(5000)) {
        // Still busy: the request was made. It deletes itself when done, on the
        // application's thread, which outlives a launch's own thread.
        if (QCoreApplication* app = QCoreApplication::instance())
            gio->moveToThread(app->thread());
        return {true, {}};
    }
    const bool ok = gio->exitStatus() == QProcess::NormalExit && gio->exitCode() == 0;
    delete gio;
    if (!ok)
        return failure(QStringLiteral("The desktop entry \"%1\" could not be launched. It may "
                                      "be damaged or name a program that is not installed.")
                           .arg(path));
    return {true, {}};
}

// The desktop file id of the application registered for a MIME type, or "".
QString defaultApplication(const QString& mimeType, bool* queried)
{
    QProcess query;
    query.setProgram(QStringLiteral("xdg-mime"));
    query.setArguments({QStringLiteral("query"), QStringLiteral("default"), mimeType});
    query.setProcessEnvironment(childEnvironment());
    query.setStandardInputFile(QProcess::nullDevice());
    query.setStandardErrorFile(QProcess::nullDevice());
    query.start();
    if (!query.waitForStarted() || !query.waitForFinished(10000)) {
        *queried = false;
        return {};
    }
    *queried = true;
    return QString::fromUtf8(query.readAllStandardOutput()).trimmed();
}

ShellResult openWithRegisteredApplication(const QFileInfo& info, const QMimeType& type)
{
    const QString path = QDir::toNativeSeparators(info.absoluteFilePath());
    const bool folder = info.isDir();
    if (!info.isReadable() || (folder && !info.isExecutable()))
        return failure(QStringLiteral("You do not have permission to open the %1 \"%2\".")
                           .arg(folder ? QStringLiteral("folder") : QStringLiteral("file"), path));

    // Desktops fall back to the parent types (a C source is plain text).
    QStringList candidates{type.name()};
    for (const QString& ancestor : type.allAncestors())
        if (ancestor != QLatin1String("application/octet-stream"))
            candidates.append(ancestor);
    bool registered = false;
    for (const QString& candidate : candidates) {
        bool queried = false;
        registered = !defaultApplication(candidate, &queried).isEmpty();
        if (!queried)
            return failure(QStringLiteral("No program is available to open \"%1\": the program "
                                          "xdg-mime is not installed.")
                               .arg(path));
        if (registered)
            break;
    }
    if (!registered) {
        if (folder)
            return failure(QStringLiteral("No application is registered to open the folder \"%1\".")
                               .arg(path));
        return failure(QStringLiteral("No application is registered to open \"%1\" (a file of "
                                      "type %2).")
                           .arg(path, type.name()));
    }

    // xdg-open may run the application in the foreground: never wait for it.
    QProcess opener;
    prepareChild(opener, QStringLiteral("xdg-open"), {info.absoluteFilePath()},
                 info.absolutePath());
    if (!opener.startDetached())
        return failure(QStringLiteral("No program is available to open \"%1\": the program "
                                      "xdg-open could not be started.")
                           .arg(path));
    return {true, {}};
}
} // namespace

ShellResult ShellExecute(const ShellRequest& request)
{
    if (const ShellHandler& handler = installedHandler())
        return handler(request);
    return systemShellExecute(request);
}

ShellHandler setShellHandler(ShellHandler handler)
{
    ShellHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}

void ShellExecuteAsync(const ShellRequest& request, QObject* context, ShellDone done)
{
    ShellHandler handler = installedHandler();
    auto result = std::make_shared<ShellResult>();
    QThread* thread = QThread::create([handler = std::move(handler), request, result] {
        *result = handler ? handler(request) : systemShellExecute(request);
    });
    thread->setObjectName(QStringLiteral("shell"));
    QObject::connect(
        thread, &QThread::finished, context,
        [result, done = std::move(done)] {
            if (done)
                done(*result);
        },
        Qt::QueuedConnection);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void whenProcessEnds(qint64 pid, QObject* context, std::function<void()> ended)
{
    // A pidfd turns readable when its process ends, whoever's child it is.
    const int fd = int(::syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (fd < 0) {
        if (errno == ESRCH)
            QMetaObject::invokeMethod(context, std::move(ended), Qt::QueuedConnection);
        return;
    }
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [notifier, fd, ended = std::move(ended)] {
                         notifier->setEnabled(false);
                         notifier->deleteLater();
                         ::close(fd);
                         ended();
                     });
}

ShellResult systemShellExecute(const ShellRequest& request)
{
    // "Open" on a program runs it and on a document opens it with its program, which
    // is exactly the default action here.
    if (!request.operation.isEmpty() &&
        request.operation.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0)
        return failure(
            QStringLiteral("The operation \"%1\" is not supported.").arg(request.operation));
    if (request.file.trimmed().isEmpty())
        return failure(QStringLiteral("No file was given to open."));

    // A command name, as the desktop runs one: from the working folder if it is there,
    // else from PATH.
    QString file = request.file;
    bool onPath = false;
    if (!file.contains(QLatin1Char('/')) &&
        !QFileInfo::exists(QDir::current().absoluteFilePath(file)))
        if (const QString found = QStandardPaths::findExecutable(file); !found.isEmpty()) {
            file = found;
            onPath = true;
        }
    // Absolute, so that no argument can ever be taken for an option.
    const QFileInfo info(QDir::current().absoluteFilePath(file));
    if (!info.exists())
        return failure(QStringLiteral("The file \"%1\" does not exist.")
                           .arg(QDir::toNativeSeparators(info.absoluteFilePath())));

    if (info.isFile() && info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0)
        return launchDesktopEntry(info);

    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(info);
    // A command, as a desktop starts one, runs in the user's home folder (a terminal opens
    // there); a program given by its path runs in its own folder.
    if (info.isFile() && isProgram(info, type))
        return startProgram(info, onPath ? QDir::homePath() : info.absolutePath());
    return openWithRegisteredApplication(info, type);
}
} // namespace platform
