#include "tools/ToolSupport.h"

#include "catalogue/CatalogueJson.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kListHelp =
    "Usage: kestrel-catalogue list FILE [--json]\n"
    "Prints one line per program, ordered by name, with tab-separated fields:\n"
    "name, path, description, icon, date added. A backslash, tab, line feed,\n"
    "carriage return or NUL inside a field is written as \\\\, \\t, \\n, \\r or \\0,\n"
    "any other control character as \\x and two hexadecimal digits.\n"
    "  --json   print the programs as export writes them\n";
} // namespace

int list(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kListHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {"--json"}, {}, parsed, error))
        return usageError(QStringLiteral("list: ") + error, kListHelp);
    if (parsed.positional.size() != 1)
        return usageError(parsed.positional.isEmpty() ? QStringLiteral("list: FILE is missing")
                                                      : QStringLiteral("list: expected only FILE"),
                          kListHelp);
    requireCatalogue(parsed.positional.first());
    if (parsed.has("json")) {
        writeOutput(
            {}, catalogueToJson(openCatalogue(parsed.positional.first(), true)->loadCatalogue()));
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
            QStringList fields;
            for (const char* column : {"Program_Name", "Program_Path", "Program_Desc",
                                       "Program_CustomIcon", "Program_Added_Date"})
                fields.append(field(rs.Fields(QString::fromLatin1(column))));
            out(fields.join(u'\t') + u'\n');
        }
        rs.Close();
        connection.Close();
    } catch (const KestrelError& error) {
        return failOn(parsed.positional.first(), error.description());
    }
    return kOk;
}

} // namespace tool
