#include "tools/ToolSupport.h"

#include "catalogue/ProgramImport.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/RegularFile.h"
#include "platform/database/Connection.h"
#include "platform/database/DatabaseLocation.h"
#include "platform/database/Recordset.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace tool {

void out(const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

int fail(int code, const QString& message)
{
    std::fprintf(stderr, "kestrel-catalogue: %s\n", message.toLocal8Bit().constData());
    return code;
}

int failOn(const QString& file, const QString& description)
{
    if (description.contains(file))
        return fail(kFailed, description);
    return fail(kFailed, QStringLiteral("%1: %2").arg(file, description));
}

int usageError(const QString& message, const char* help)
{
    fail(kUsage, message);
    std::fputs(help, stderr);
    return kUsage;
}

bool wantsHelp(const QStringList& args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

// The catalogue file of a command that works on an existing one: present, a SQLite
// database, and holding the catalogue's tables.
bool existingCatalogue(const QString& path, int& code)
{
    const QFileInfo info(path);
    const bool server = DatabaseLocation::looksLikeUri(path);
    if (server) {
        // Checked below by opening it; the message never shows a password.
    } else if (!info.exists()) {
        code = fail(kFailed, QStringLiteral("%1: no such file").arg(path));
        return false;
    }
    // Never opened: a FIFO would block the tool for good, a device reads without end.
    if (const QString kind = platform::notRegularFileReason(path); !kind.isEmpty()) {
        code = fail(kFailed, QStringLiteral("%1: is %2, not a catalogue file").arg(path, kind));
        return false;
    }
    Connection connection;
    connection.setReadOnly(true);
    connection.setConnectionString(path);
    connection.Open();
    try {
        for (const char* table : {"Program", "Program_Options"}) {
            Recordset rs(connection);
            rs.setSource(QStringLiteral("Select count(*) from %1").arg(QLatin1String(table)));
            rs.Open();
        }
    } catch (const KestrelError& error) {
        code =
            fail(kFailed, QStringLiteral("%1: not a catalogue (%2)")
                              .arg(DatabaseLocation::parse(path).display(), error.description()));
        return false;
    }
    return true;
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
        } else {
            error = QStringLiteral("unknown option %1").arg(arg);
            return false;
        }
    }
    return true;
}

bool readInputFile(const QString& path, qint64 maxSize, QByteArray& data, int& code)
{
    const QFileInfo info(path);
    QString problem;
    QFile in(path);
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
        code = fail(kFailed, QStringLiteral("%1: %2").arg(path, problem));
    return problem.isEmpty();
}

bool writeOutput(const QString& path, const QByteArray& data, int& code)
{
    if (path.isEmpty() || path == QStringLiteral("-")) {
        if (std::fwrite(data.constData(), 1, size_t(data.size()), stdout) != size_t(data.size()) ||
            std::fflush(stdout) != 0) {
            code = fail(kFailed, QStringLiteral("standard output: the write failed"));
            return false;
        }
        return true;
    }
    // Unbuffered, so that a short write is seen here and the old file kept.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        code = fail(kFailed, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        code = fail(kFailed, QStringLiteral("%1: %2").arg(path, reason));
        return false;
    }
    if (!file.commit()) {
        code = fail(kFailed, QStringLiteral("%1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

QString field(const QVariant& value)
{
    const QString text = value.toString();
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        case 0:
            // Written raw, a NUL would end the line early on most readers.
            escaped += QStringLiteral("\\0");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                escaped += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                escaped += c;
        }
    }
    return escaped;
}

int finishImport(clsDBRoutines& catalogue, const ImportPlan& plan, bool dryRun, const QString& file,
                 const ImportCounts& counts)
{
    if (!dryRun) {
        try {
            catalogue.storePrograms(plan.additions(), plan.updates());
        } catch (const KestrelError& failure) {
            return fail(
                kFailed,
                QStringLiteral("%1: %2; nothing was imported").arg(file, failure.description()));
        }
    }
    out(QStringLiteral("%1 added, %2 updated, %3 skipped\n")
            .arg(counts.added)
            .arg(counts.updated)
            .arg(counts.skipped));
    return kOk;
}

} // namespace tool
