#include "tools/ToolSupport.h"

#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <QFileInfo>
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
    if (!info.exists()) {
        code = fail(kFailed, QStringLiteral("%1: no such file").arg(path));
        return false;
    }
    if (info.isDir()) {
        code = fail(kFailed, QStringLiteral("%1: is a folder, not a catalogue file").arg(path));
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
        code = fail(kFailed,
                    QStringLiteral("%1: not a catalogue (%2)").arg(path, error.description()));
        return false;
    }
    return true;
}

QString field(const QVariant& value)
{
    QString text = value.toString();
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'\t', QStringLiteral("\\t"));
    text.replace(u'\n', QStringLiteral("\\n"));
    text.replace(u'\r', QStringLiteral("\\r"));
    return text;
}

} // namespace tool
