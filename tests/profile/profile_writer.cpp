// Child process for the profile tests: a real second writer for locking and atomic saves.
//   profile_writer keys FILE SECTION PREFIX   writes PREFIX<i>=value-<i> for i < 300
//   profile_writer churn FILE                 rewrites [s] k0..k7=g<n>-<4000 x>end forever
#include "platform/profile/Profile.h"

#include <QCoreApplication>

#include <cstdio>

using platform::profile::WritePrivateProfileString;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("keys")) {
        for (int i = 0; i < 300; ++i) {
            if (!WritePrivateProfileString(args[3], args[4] + QString::number(i),
                                           QStringLiteral("value-%1").arg(i), args[2]))
                return 1;
        }
        return 0;
    }
    if (args.size() == 3 && args[1] == QLatin1String("churn")) {
        for (qint64 generation = 1;; ++generation) {
            const QString value =
                QStringLiteral("g%1-%2end").arg(generation).arg(QString(4000, u'x'));
            for (int i = 0; i < 8; ++i) {
                if (!WritePrivateProfileString("s", QStringLiteral("k%1").arg(i), value, args[2]))
                    return 1;
            }
            if (generation == 1) {
                std::fputs("ready\n", stdout);
                std::fflush(stdout);
            }
        }
    }
    return 2;
}
