#include "tools/ToolSupport.h"

#include "platform/database/Connection.h"
#include "platform/database/Recordset.h"

#include <cstdio>

namespace tool {
namespace {
const char* const kListHelp =
    "Usage: kestrel-catalogue list FILE\n"
    "Prints one line per program, ordered by name, with tab-separated fields:\n"
    "name, path, description, icon, date added. A backslash, tab, line feed or\n"
    "carriage return inside a field is written as \\\\, \\t, \\n or \\r.\n";
} // namespace

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

} // namespace tool
