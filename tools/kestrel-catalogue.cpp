// kestrel-catalogue: makes and fills catalogue files for the person who installs Kestrel,
// since neither program creates one.
#include "KestrelVersion.h"
#include "platform/KestrelError.h"
#include "tools/ToolSupport.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

using namespace tool;

namespace {
// One row per command; a new command adds its row here and its own Command*.cpp file.
const Command kCommands[] = {
    {"create", "make an empty catalogue (never over an existing file)", create},
    {"add", "add a program to a catalogue", add},
    {"list", "print the programs of a catalogue", list},
    {"copy", "copy a catalogue's programs into another (file or server)", copy},
    {"roles", "print the SQL for a server catalogue's reader and writer roles", roles},
    {"modify", "change a program of a catalogue", modify},
    {"delete", "delete a program from a catalogue", remove},
    {"export", "write a catalogue's programs as JSON", exportCatalogue},
    {"import", "add the programs of a JSON file to a catalogue", importCatalogue},
    {"import-desktop", "add the installed applications' desktop entries", importDesktop},
    {"check", "list the programs that cannot be launched or shown", check},
    {"usage", "summarise launch logs: per program, host and day, and failures", usage},
};

QByteArray usageText()
{
    QByteArray text = "Usage: kestrel-catalogue COMMAND FILE [OPTIONS]\n"
                      "Makes and fills Kestrel catalogue files.\n"
                      "\n"
                      "Commands:\n";
    for (const Command& command : kCommands)
        text += "  " + QByteArray(command.name).leftJustified(14) + "  " + command.summary + "\n";
    text += "\nkestrel-catalogue COMMAND --help describes a command;\n"
            "kestrel-catalogue --version prints the version.\n";
    return text;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrel-catalogue"));
    QStringList args = QCoreApplication::arguments().mid(1);
    const QByteArray usage = usageText();
    if (args.isEmpty())
        return usageError(QStringLiteral("a command is missing"), usage.constData());
    const QString command = args.takeFirst();

    int code = kOk;
    try {
        if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
            command == QStringLiteral("help")) {
            std::fputs(usage.constData(), stdout);
        } else if (command == QStringLiteral("--version")) {
            out(QStringLiteral("kestrel-catalogue " KESTREL_VERSION "\n"));
        } else {
            const Command* found = nullptr;
            for (const Command& candidate : kCommands)
                if (command == QLatin1String(candidate.name))
                    found = &candidate;
            code = found ? found->run(args)
                         : usageError(QStringLiteral("unknown command %1").arg(command),
                                      usage.constData());
        }
    } catch (const ToolError& error) {
        code = fail(error.code, error.message);
    } catch (const KestrelError& error) {
        code = fail(kFailed, error.description());
    }
    return code;
}
