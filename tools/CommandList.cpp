#include "tools/ToolSupport.h"

#include "catalogue/CatalogueJson.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"
#include "platform/identity/Identity.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kListHelp =
    "Usage: kestrel-catalogue list FILE [--json] [--as USER [--host NAME]]\n"
    "Prints one line per program, ordered by name, with tab-separated fields:\n"
    "name, path, description, icon, date added. A backslash, tab, line feed,\n"
    "carriage return or NUL inside a field is written as \\\\, \\t, \\n, \\r or \\0,\n"
    "any other control character as \\x and two hexadecimal digits.\n"
    "  --json   print the programs as export writes them, with their audiences\n"
    "  --as USER   only the programs the launcher shows USER (as this machine's user and\n"
    "              group databases know USER), on this host or on --host NAME\n";

// One program's line: its fields escaped, separated by tabs.
QString listLine(const QVariantList& values)
{
    QStringList fields;
    for (const QVariant& value : values)
        fields.append(field(value));
    return fields.join(u'\t') + u'\n';
}
} // namespace

int list(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kListHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {"--json"}, {"--as", "--host"}, parsed, error))
        return usageError(QStringLiteral("list: ") + error, kListHelp);
    if (parsed.values.contains("host") && !parsed.values.contains("as"))
        return usageError(QStringLiteral("list: --host goes with --as"), kListHelp);
    const QString user = parsed.values.value("as");
    if (parsed.values.contains("as") && !identity::userExists(user))
        return usageError(
            QStringLiteral("list: --as: no user named \"%1\" on this machine").arg(field(user)),
            kListHelp);
    if (parsed.positional.size() != 1)
        return usageError(parsed.positional.isEmpty() ? QStringLiteral("list: FILE is missing")
                                                      : QStringLiteral("list: expected only FILE"),
                          kListHelp);
    requireCatalogue(parsed.positional.first());
    if (parsed.has("json") || parsed.values.contains("as")) {
        const std::unique_ptr<clsDBRoutines> catalogue =
            openCatalogue(parsed.positional.first(), true);
        if (parsed.values.contains("as"))
            catalogue->setViewer(viewerFor(user, parsed.values.value("host")));
        if (parsed.has("json")) {
            writeOutput({}, catalogueToJson(catalogue->loadCatalogue()));
            return kOk;
        }
        for (const ProgramRecord& p : catalogue->loadCatalogue(clsDBRoutines::Pictures::Without))
            out(listLine({p.name, p.path, p.description, p.icon, p.added}));
        return kOk;
    }

    try {
        Connection connection;
        connection.setReadOnly(true);
        connection.setConnectionString(parsed.positional.first());
        connection.Open();
        Recordset rs(connection);
        rs.setSource(QStringLiteral("Select Program_Name, Program_Path, Program_Desc, "
                                    "Program_CustomIcon, Program_Added_Date from Program Order by "
                                    "%1, Program_Key")
                         .arg(connection.nameOrder(QStringLiteral("Program_Name"))));
        rs.Open();
        for (; !rs.Eof(); rs.MoveNext()) {
            QVariantList values;
            for (const char* column : {"Program_Name", "Program_Path", "Program_Desc",
                                       "Program_CustomIcon", "Program_Added_Date"})
                values.append(rs.Fields(QString::fromLatin1(column)));
            out(listLine(values));
        }
        rs.Close();
        connection.Close();
    } catch (const KestrelError& error) {
        return failOn(parsed.positional.first(), error.description());
    }
    return kOk;
}

} // namespace tool
