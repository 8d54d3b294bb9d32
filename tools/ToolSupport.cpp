#include "tools/ToolSupport.h"

#include "catalogue/CatalogueFile.h"
#include "catalogue/ProgramImport.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/RegularFile.h"
#include "platform/database/Connection.h"
#include "platform/database/DatabaseError.h"
#include "platform/database/DatabaseLocation.h"
#include "platform/log/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tool {
namespace {
// The server's SQLSTATEs for a statement the role has no right to run, and for a value
// past one of its limits (an index row, for one).
constexpr qint32 kServerNoRights = 42501;
constexpr qint32 kServerLimit = 54000;
} // namespace

void out(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

int fail(int code, const QString& message)
{
    // The commands' own lines hold their names escaped already; an engine's text may not.
    std::fprintf(stderr, "kestrel-catalogue: %s\n",
                 platform::log::terminalText(message).toLocal8Bit().constData());
    return code;
}

QString shown(const QString& location)
{
    return field(DatabaseLocation::parse(location).display());
}

int failOn(const QString& file, const QString& description)
{
    const QString name = shown(file);
    if (description.contains(name))
        return fail(kFailed, description);
    return fail(kFailed, QStringLiteral("%1: %2").arg(name, description));
}

int usageError(const QString& message, const char* help)
{
    fail(kUsage, message);
    std::fputs(help, stderr);
    return kUsage;
}

QString writeFailure(const clsDBRoutines& catalogue)
{
    const KestrelError& error = *catalogue.lastWriteError();
    if (error.source() == serverErrorSource() && error.number() == kServerLimit)
        return QStringLiteral("the name or another text is too long for the server (%1)")
            .arg(error.description());
    return error.description();
}

bool wantsHelp(const QStringList& args, const QStringList& valueNames)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QStringLiteral("--"))
            return false;
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h"))
            return true;
        if (valueNames.contains(arg))
            ++i; // its value, whatever it looks like
    }
    return false;
}

void requireCatalogue(const QString& path)
{
    if (!DatabaseLocation::looksLikeUri(path) && !QFileInfo::exists(path))
        throw ToolError{kFailed, QStringLiteral("%1: no such file").arg(field(path))};
    // Never opened: a FIFO would block the tool for good, a device reads without end.
    if (const QString kind = platform::notRegularFileReason(path); !kind.isEmpty())
        throw ToolError{kFailed,
                        QStringLiteral("%1: is %2, not a catalogue file").arg(field(path), kind)};
    Connection connection;
    connection.setReadOnly(true);
    connection.setConnectionString(path);
    const auto refused = [&path](const QString& what, const KestrelError& error) {
        return ToolError{kFailed,
                         QStringLiteral("%1: %2 (%3)").arg(shown(path), what, error.description())};
    };
    const QString locked = QStringLiteral("another program holds the catalogue locked; the wait "
                                          "ran out");
    try {
        connection.Open();
    } catch (const KestrelError& error) {
        // Opening a file checks it under the lock wait: one locked for good fails here.
        if (isCatalogueBusy(error))
            throw refused(locked, error);
        throw;
    }
    try {
        requireCatalogueTables(connection);
    } catch (const KestrelError& error) {
        // A lock or a role's rights say nothing about what the file or database holds.
        if (isCatalogueBusy(error))
            throw refused(locked, error);
        if (error.source() == serverErrorSource() && error.number() == kServerNoRights)
            throw refused(QStringLiteral("this user may not read the catalogue"), error);
        throw refused(QStringLiteral("not a catalogue"), error);
    }
}

std::unique_ptr<clsDBRoutines> openCatalogue(const QString& file, bool readOnly)
{
    return std::make_unique<clsDBRoutines>(CatalogueLocation{file, readOnly});
}

bool parseArguments(const QStringList& args, const QStringList& flagNames,
                    const QStringList& valueNames, Arguments& parsed, QString& error)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QStringLiteral("--")) {
            parsed.positional += args.mid(i + 1);
            break;
        }
        if (!arg.startsWith(QStringLiteral("--")) || arg.size() == 2) {
            parsed.positional.append(arg);
        } else if (flagNames.contains(arg)) {
            parsed.flags.append(arg.mid(2));
        } else if (valueNames.contains(arg)) {
            if (++i >= args.size()) {
                error = QStringLiteral("%1 needs a value").arg(arg);
                return false;
            }
            parsed.values.insert(arg.mid(2), args.at(i));
            parsed.repeated[arg.mid(2)].append(args.at(i));
        } else {
            error = QStringLiteral("unknown option %1").arg(arg);
            return false;
        }
    }
    return true;
}

QStringList audienceArguments(const Arguments& parsed)
{
    const QStringList given = parsed.repeated.value(QStringLiteral("audience"));
    for (const QString& spec : given)
        if (const std::optional<QString> problem = audienceProblem(spec))
            throw ToolError{kUsage, QStringLiteral("--audience: ") + field(*problem)};
    return normalizedAudiences(given);
}

QByteArray readInputFile(const QString& path, qint64 maxSize)
{
    const QFileInfo info(path);
    QString problem;
    QFile in(path);
    QByteArray data;
    if (!info.exists())
        problem = QStringLiteral("no such file");
    else if (!info.isFile())
        problem = QStringLiteral("not a regular file");
    else if (info.size() > maxSize)
        problem = QStringLiteral("larger than %1 bytes").arg(maxSize);
    else if (!in.open(QIODevice::ReadOnly))
        problem = in.errorString();
    if (problem.isEmpty()) {
        data = in.read(maxSize + 1);
        if (data.size() > maxSize)
            problem = QStringLiteral("larger than %1 bytes").arg(maxSize);
    }
    if (!problem.isEmpty())
        throw ToolError{kFailed, QStringLiteral("%1: %2").arg(path, problem)};
    return data;
}

void writeOutput(const QString& path, const QByteArray& data)
{
    if (path.isEmpty() || path == QStringLiteral("-")) {
        if (std::fwrite(data.constData(), 1, size_t(data.size()), stdout) != size_t(data.size()) ||
            std::fflush(stdout) != 0)
            throw ToolError{kFailed, QStringLiteral("standard output: the write failed")};
        return;
    }
    const QByteArray name = QFile::encodeName(path);
    struct stat st
    {
    };
    const bool exists = ::lstat(name.constData(), &st) == 0;
    if (exists && S_ISLNK(st.st_mode))
        throw ToolError{kFailed, QStringLiteral("%1: is a symbolic link; name the file it points "
                                                "to")
                                     .arg(path)};
    if (exists && S_ISDIR(st.st_mode))
        throw ToolError{kFailed, QStringLiteral("%1: is a folder").arg(path)};
    if (exists && !S_ISREG(st.st_mode)) {
        // A FIFO or a device named by the user takes the data as a stream, as standard
        // output would; it is never replaced by a file.
        const int fd = ::open(name.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
        QFile stream;
        if (fd < 0 || !stream.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                                   QFileDevice::AutoCloseHandle)) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            if (fd >= 0)
                ::close(fd);
            throw ToolError{kFailed, QStringLiteral("%1: %2").arg(path, reason)};
        }
        if (stream.write(data) != data.size())
            throw ToolError{kFailed, QStringLiteral("%1: %2").arg(path, stream.errorString())};
        return;
    }
    // Written whole beside the file, then renamed over it: the old file stays until the new
    // one is complete, and a rename never writes through a link put there meanwhile.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open())
        throw ToolError{kFailed, QStringLiteral("%1: %2").arg(path, file.errorString())};
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file.handle(), exists ? (st.st_mode & 07777) : (0666 & ~mask));
    if (file.write(data) != data.size() || !file.flush() || ::fsync(file.handle()) != 0 ||
        ::rename(QFile::encodeName(file.fileName()).constData(), name.constData()) != 0) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QString::fromLocal8Bit(std::strerror(errno));
        throw ToolError{kFailed, QStringLiteral("%1: %2").arg(path, reason)};
    }
    file.setAutoRemove(false);
}

QString field(const QVariant& value)
{
    return platform::log::escapeField(value.toString(), platform::log::Escape::Listing);
}

QStringList nameForms(const QString& name)
{
    QString unescaped;
    if (!platform::log::unescapeField(name, unescaped) || unescaped == name)
        return {name};
    return {name, unescaped};
}

int runImport(clsDBRoutines& catalogue, bool update, bool dryRun, const QString& file,
              const std::function<ImportCounts(ImportPlan&)>& offer)
{
    ImportCounts counts;
    try {
        const auto planAndStore = [&] {
            ImportPlan plan(catalogue.loadCatalogue(), update);
            counts = offer(plan);
            if (!dryRun)
                catalogue.storePrograms(plan.additions(), plan.updates());
        };
        if (dryRun)
            planAndStore();
        else
            catalogue.inOneStep(planAndStore);
    } catch (const KestrelError& failure) {
        return fail(
            kFailed,
            QStringLiteral("%1: %2; nothing was imported").arg(shown(file), failure.description()));
    }
    out((dryRun ? QStringLiteral("would add %1, would update %2, would skip %3\n")
                : QStringLiteral("%1 added, %2 updated, %3 skipped\n"))
            .arg(counts.added)
            .arg(counts.updated)
            .arg(counts.skipped));
    return kOk;
}

} // namespace tool
