// Child process for the profile tests: writes through the profile service from a
// separate process, so that locking and atomic saves meet a real second writer.
//
//   profile_writer keys  FILE SECTION PREFIX COUNT   write PREFIX<i>=value-<i>, i < COUNT
//   profile_writer churn FILE SECTION KEYS PADDING   rewrite k<i>=g<n>-<padding x>end forever
#include "platform/profile/Profile.h"

#include <QCoreApplication>

#include <cstdio>

using platform::profile::WritePrivateProfileString;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args[1] == QLatin1String("keys")) {
        const int count = args[5].toInt();
        for (int i = 0; i < count; ++i) {
            const QString key = args[4] + QString::number(i);
            if (!WritePrivateProfileString(args[3], key, QStringLiteral("value-%1").arg(i),
                                           args[2])) {
                std::fprintf(stderr, "write of %s failed\n", qPrintable(key));
                return 1;
            }
        }
        return 0;
    }
    if (args.size() == 6 && args[1] == QLatin1String("churn")) {
        const int keys = args[4].toInt();
        const QString padding(args[5].toInt(), u'x');
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        for (qint64 generation = 1;; ++generation) {
            for (int i = 0; i < keys; ++i) {
                const QString value = QStringLiteral("g%1-%2end").arg(generation).arg(padding);
                if (!WritePrivateProfileString(args[3], QStringLiteral("k%1").arg(i), value,
                                               args[2]))
                    return 1;
            }
        }
    }
    std::fputs("usage: profile_writer keys|churn ...\n", stderr);
    return 2;
}
