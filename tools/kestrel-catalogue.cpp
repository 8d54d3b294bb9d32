// kestrel-catalogue: makes and fills catalogue files for the person who installs Kestrel,
// since neither program creates one.
#include "catalogue/CatalogueFile.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"
#include "settings/clsEnvironment.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

namespace {
constexpr int kOk = 0;
constexpr int kFailed = 1; // the command ran and failed: missing file, not a catalogue, ...
constexpr int kUsage = 2;  // the command line itself is wrong

const char* const kUsageText =
    "Usage: kestrel-catalogue COMMAND FILE [OPTIONS]\n"
    "Makes and fills Kestrel catalogue files.\n"
    "\n"
    "Commands:\n"
    "  create FILE     make an empty catalogue (never over an existing file)\n"
    "  add FILE ...    add a program to a catalogue\n"
    "  list FILE       print the programs of a catalogue\n"
    "\n"
    "kestrel-catalogue COMMAND --help describes a command.\n";

const char* const kCreateHelp =
    "Usage: kestrel-catalogue create FILE\n"
    "Makes FILE an empty catalogue: the tables Program and Program_Options, no programs.\n"
    "An existing FILE is left alone and the command fails.\n";

const char* const kAddHelp =
    "Usage: kestrel-catalogue add FILE --name NAME --path PATH [--desc TEXT] [--icon ICON]\n"
    "Adds a program to the catalogue FILE, as the administrator's Add does: name,\n"
    "description, path and icon are stored without leading and trailing spaces, with\n"
    "today's date as the date added. An existing name is added a second time.\n"
    "  --name NAME   the name shown under the program's icon (required)\n"
    "  --path PATH   the file that launching opens (required)\n"
    "  --desc TEXT   the description shown when the program is clicked\n"
    "  --icon ICON   an icon file to show instead of the default icon\n";

const char* const kListHelp =
    "Usage: kestrel-catalogue list FILE\n"
    "Prints one line per program, ordered by name, with tab-separated fields:\n"
    "name, path, description, icon, date added. A backslash, tab, line feed or\n"
    "carriage return inside a field is written as \\\\, \\t, \\n or \\r.\n";

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

int create(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kCreateHelp, stdout), kOk;
    if (args.size() != 1 || args.first().startsWith(u'-'))
        return usageError(args.isEmpty() ? QStringLiteral("create: FILE is missing")
                                         : QStringLiteral("create: expected only FILE"),
                          kCreateHelp);
    createCatalogue(args.first());
    out(QStringLiteral("Created the empty catalogue %1\n").arg(args.first()));
    return kOk;
}

int add(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kAddHelp, stdout), kOk;
    QString file;
    QString name, path, desc, icon;
    bool haveName = false, havePath = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        QString* target = nullptr;
        if (arg == QStringLiteral("--name"))
            target = &name, haveName = true;
        else if (arg == QStringLiteral("--path"))
            target = &path, havePath = true;
        else if (arg == QStringLiteral("--desc"))
            target = &desc;
        else if (arg == QStringLiteral("--icon"))
            target = &icon;
        else if (arg.startsWith(QStringLiteral("--")))
            return usageError(QStringLiteral("add: unknown option %1").arg(arg), kAddHelp);
        else if (file.isNull())
            file = arg;
        else
            return usageError(QStringLiteral("add: unexpected argument %1").arg(arg), kAddHelp);
        if (target) {
            if (++i >= args.size())
                return usageError(QStringLiteral("add: %1 needs a value").arg(arg), kAddHelp);
            *target = args.at(i);
        }
    }
    if (file.isNull())
        return usageError(QStringLiteral("add: FILE is missing"), kAddHelp);
    if (!haveName || name.trimmed().isEmpty())
        return usageError(QStringLiteral("add: --name is missing or empty"), kAddHelp);
    if (!havePath || path.trimmed().isEmpty())
        return usageError(QStringLiteral("add: --path is missing or empty"), kAddHelp);
    int code = kOk;
    if (!existingCatalogue(file, code))
        return code;

    gEnvironment().setDatabasePath(file);
    // addProgram reports its own failure on standard error.
    if (!gDBRoutines().addProgram(name, desc, path, icon))
        return kFailed;
    out(QStringLiteral("Added %1\n").arg(name.trimmed()));
    return kOk;
}

int list(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kListHelp, stdout), kOk;
    if (args.size() != 1 || args.first().startsWith(u'-'))
        return usageError(args.isEmpty() ? QStringLiteral("list: FILE is missing")
                                         : QStringLiteral("list: expected only FILE"),
                          kListHelp);
    int code = kOk;
    if (!existingCatalogue(args.first(), code))
        return code;

    Connection connection;
    connection.setReadOnly(true);
    connection.setConnectionString(args.first());
    connection.Open();
    Recordset rs(connection);
    rs.setSource(QStringLiteral("Select Program_Name, Program_Path, Program_Desc, "
                                "Program_CustomIcon, Program_Added_Date from Program Order by "
                                "Program_Name"));
    rs.Open();
    for (; !rs.Eof(); rs.MoveNext()) {
        QStringList fields;
        for (const char* column : {"Program_Name", "Program_Path", "Program_Desc",
                                   "Program_CustomIcon", "Program_Added_Date"})
            fields.append(field(rs.Fields(QString::fromLatin1(column))));
        out(fields.join(u'\t') + u'\n');
    }
    rs.Close();
    connection.Close();
    return kOk;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-catalogue"));
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usageError(QStringLiteral("a command is missing"), kUsageText);
    const QString command = args.takeFirst();

    int code = kOk;
    try {
        if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
            command == QStringLiteral("help")) {
            std::fputs(kUsageText, stdout);
        } else if (command == QStringLiteral("create")) {
            code = create(args);
        } else if (command == QStringLiteral("add")) {
            code = add(args);
        } else if (command == QStringLiteral("list")) {
            code = list(args);
        } else {
            code = usageError(QStringLiteral("unknown command %1").arg(command), kUsageText);
        }
    } catch (const KestrelError& error) {
        code = fail(kFailed, error.description());
    }
    releaseDBRoutines();
    return code;
}
