#include "platform/log/LaunchRecord.h"

#include "platform/log/Log.h"

#include <QStringList>
#include <QSysInfo>
#include <pwd.h>
#include <unistd.h>

namespace platform::log {
namespace {
constexpr int kFields = 7;

QString userName()
{
    // The account, not $USER, which the user's environment may set to anything.
    if (const passwd* entry = ::getpwuid(::geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return QString::number(::geteuid());
}
} // namespace

LaunchRecord launchNow(const QString& program, const QString& path, bool started,
                       const QString& reason)
{
    const QDateTime now = QDateTime::currentDateTime();
    return {now.toOffsetFromUtc(now.offsetFromUtc()),
            QSysInfo::machineHostName(),
            userName(),
            program,
            path,
            started,
            started ? QString() : reason};
}

QString formatLaunchLine(const LaunchRecord& record)
{
    const QStringList fields{record.when.toString(Qt::ISODate),
                             escapeField(record.host),
                             escapeField(record.user),
                             escapeField(record.program),
                             escapeField(record.path),
                             record.started ? QStringLiteral("started") : QStringLiteral("failed"),
                             escapeField(record.reason)};
    return fields.join(u'\t');
}

QString formatLaunchMessage(const LaunchRecord& record)
{
    QString text = QStringLiteral("launch program=\"%1\" path=\"%2\" user=%3 result=%4")
                       .arg(record.program, record.path, record.user,
                            record.started ? QStringLiteral("started") : QStringLiteral("failed"));
    if (!record.started)
        text += QStringLiteral(" reason=\"%1\"").arg(record.reason);
    return text;
}

bool parseLaunchLine(const QString& text, LaunchRecord& record, QString& error)
{
    // A line end of CR LF (a log copied through a tool that writes them) is a line end.
    const QString line = text.endsWith(u'\r') ? text.chopped(1) : text;
    const QStringList fields = line.split(u'\t');
    if (fields.size() != kFields) {
        error = QStringLiteral("%1 fields instead of %2").arg(fields.size()).arg(kFields);
        return false;
    }
    record.when = QDateTime::fromString(fields[0], Qt::ISODateWithMs);
    // A time without its offset reads as local time, which is not what the writer meant.
    if (!record.when.isValid() || record.when.timeSpec() == Qt::LocalTime) {
        error =
            QStringLiteral("not a time with offset: \"%1\"").arg(escapeField(fields[0].left(40)));
        return false;
    }
    if (fields[5] != QStringLiteral("started") && fields[5] != QStringLiteral("failed")) {
        error = QStringLiteral("unknown result \"%1\"").arg(escapeField(fields[5].left(40)));
        return false;
    }
    record.started = fields[5] == QStringLiteral("started");
    QString* const targets[] = {&record.host, &record.user, &record.program, &record.path,
                                &record.reason};
    const int sources[] = {1, 2, 3, 4, 6};
    const char* const names[] = {"host", "user", "program", "path", "reason"};
    for (int i = 0; i < 5; ++i) {
        QString wrong;
        if (!unescapeField(fields[sources[i]], *targets[i], &wrong)) {
            error = QStringLiteral("field %1 (%2): %3")
                        .arg(sources[i] + 1)
                        .arg(QLatin1String(names[i]), wrong);
            return false;
        }
    }
    return true;
}

} // namespace platform::log
