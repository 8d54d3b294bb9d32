#include "tools/ToolSupport.h"

#include "catalogue/CatalogueHealth.h"
#include "catalogue/clsDBRoutines.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace tool {
namespace {
const char* const kCheckHelp =
    "Usage: kestrel-catalogue check FILE [--json]\n"
    "Lists the broken programs of the catalogue FILE, one a line as NAME: REASON. A program\n"
    "is broken when its path does not exist, is a program the user may not run, is a\n"
    "desktop entry whose program is not installed, or is a document no installed\n"
    "application opens; or when its custom icon cannot be read as a picture.\n"
    "Exits 1 when any program is broken, 0 when none is.\n"
    "  --json   write {\"broken\": [{\"name\": ..., \"problem\": ...}]} instead\n";
} // namespace

int check(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kCheckHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {"--json"}, {}, parsed, error))
        return usageError(QStringLiteral("check: ") + error, kCheckHelp);
    if (parsed.positional.size() != 1)
        return usageError(QStringLiteral("check: expected only FILE"), kCheckHelp);
    requireCatalogue(parsed.positional.first());
    CatalogueHealth health;
    const QList<BrokenProgram> broken =
        findBrokenPrograms(openCatalogue(parsed.positional.first(), true)->loadCatalogue(), health);
    if (parsed.has("json")) {
        QJsonArray list;
        for (const BrokenProgram& program : broken)
            list.append(QJsonObject{{"name", program.name}, {"problem", program.problem}});
        writeOutput({}, QJsonDocument(QJsonObject{{"broken", list}}).toJson());
    } else {
        QString text;
        for (const BrokenProgram& program : broken)
            text += field(program.name) + QStringLiteral(": ") + field(program.problem) + u'\n';
        writeOutput({}, text.toUtf8());
    }
    return broken.isEmpty() ? kOk : kFailed;
}

} // namespace tool
