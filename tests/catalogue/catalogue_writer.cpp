// Child process of test_CatalogueTwoProcesses: the administrator's side. Reads commands
// from standard input, one per line, runs them through clsDBRoutines on its own
// connection and answers "ok" or "fail ..." per command.
//   add NAME<TAB>PATH     delete NAME     burst N (adds then deletes N programs)
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "settings/clsEnvironment.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QTextStream in(stdin);
    QTextStream out(stdout);
    try {
        gEnvironment().setDatabasePath(QString::fromLocal8Bit(argv[1]));
        clsDBRoutines& db = gDBRoutines();
        QString line;
        while (in.readLineInto(&line)) {
            const QString command = line.section(u' ', 0, 0);
            const QString rest = line.section(u' ', 1);
            QString failure;
            if (command == QStringLiteral("add")) {
                if (!db.addProgram(rest.section(u'\t', 0, 0), {}, rest.section(u'\t', 1), {}))
                    failure = QStringLiteral("add");
            } else if (command == QStringLiteral("delete")) {
                if (!db.deleteProgram(rest))
                    failure = QStringLiteral("delete");
            } else if (command == QStringLiteral("burst")) {
                const int count = rest.toInt();
                for (int i = 0; i < count && failure.isEmpty(); ++i) {
                    if (!db.addProgram(QStringLiteral("Burst %1").arg(i), {},
                                       QStringLiteral("/burst/%1").arg(i), {}))
                        failure = QStringLiteral("burst add %1").arg(i);
                }
                for (int i = 0; i < count && failure.isEmpty(); ++i) {
                    if (!db.deleteProgram(QStringLiteral("Burst %1").arg(i)))
                        failure = QStringLiteral("burst delete %1").arg(i);
                }
            } else {
                failure = QStringLiteral("unknown command");
            }
            out << (failure.isEmpty() ? QStringLiteral("ok") : QStringLiteral("fail ") + failure)
                << Qt::endl;
        }
    } catch (const KestrelError& error) {
        out << "fail " << error.description() << Qt::endl;
        return 1;
    }
    releaseDBRoutines();
    return 0;
}
