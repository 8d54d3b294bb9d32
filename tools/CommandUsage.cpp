#include "tools/ToolSupport.h"

#include "catalogue/CatalogueJson.h"
#include "platform/RegularFile.h"
#include "platform/log/LaunchRecord.h"
#include "platform/log/Log.h"

#include <QFile>
#include <QMap>
#include <QSet>
#include <algorithm>
#include <cstdio>

namespace tool {
namespace {
const char* const kUsageHelp =
    "Usage: kestrel-catalogue usage LOGFILE... [--json]\n"
    "Summarises launch logs (the files named by [Logging] LaunchLog): launches per\n"
    "program (with the hosts and users that launched it), per host and per day (the\n"
    "day as the launching machine wrote it), and failures with their reasons.\n"
    "A malformed line is reported with its file and line number and skipped; the\n"
    "exit code is then 1, as for a file that cannot be read or is no regular file.\n"
    "The tables shorten fields past 60 characters in the middle; the JSON keeps them.\n"
    "  --json   JSON in the layout export writes (format \"kestrel-catalogue-usage\"), one\n"
    "           row a line, instead of tables\n";

struct Count
{
    int launches = 0;
    int failed = 0;
    QSet<QString> hosts;
    QSet<QString> users;
};

struct Summary
{
    QMap<QString, Count> programs;
    QMap<QString, Count> hosts;
    QMap<QString, Count> days;
    QMap<QPair<QString, QString>, int> failures; // (program, reason)

    void add(const platform::log::LaunchRecord& r, const QString& day)
    {
        for (Count* c : {&programs[r.program], &hosts[r.host], &days[day]}) {
            ++c->launches;
            c->failed += r.started ? 0 : 1;
        }
        programs[r.program].hosts.insert(r.host);
        programs[r.program].users.insert(r.user);
        if (!r.started)
            ++failures[{r.program, r.reason}];
    }
};

// Reads one file into the summary; answers false when it or any line was bad.
bool readLog(const QString& path, Summary& summary)
{
    // Nothing but a regular file: a FIFO never answers, a device reads without end.
    QString error;
    QFile file;
    if (!platform::openRegularForReading(file, path, true, error)) {
        fail(kFailed, QStringLiteral("%1: %2").arg(path, error));
        return false;
    }
    bool clean = true;
    qint64 number = 0;
    while (!file.atEnd()) {
        QByteArray bytes = file.readLine();
        ++number;
        if (bytes.endsWith('\n'))
            bytes.chop(1);
        if (bytes.isEmpty() || bytes == "\r")
            continue;
        platform::log::LaunchRecord record;
        if (!platform::log::parseLaunchLine(QString::fromUtf8(bytes), record, error)) {
            fail(kFailed,
                 QStringLiteral("%1:%2: malformed line (%3)").arg(path).arg(number).arg(error));
            clean = false;
            continue;
        }
        summary.add(record, QString::fromUtf8(bytes.left(10)));
    }
    if (file.error() != QFileDevice::NoError) {
        fail(kFailed, QStringLiteral("%1: %2").arg(path, file.errorString()));
        clean = false;
    }
    return clean;
}

// A field as the table shows it: escaped, and a long one shortened in the middle, since
// every row is padded to the widest (one huge name in a log would multiply the output).
QString esc(const QString& text)
{
    constexpr qsizetype kMaxCell = 60;
    constexpr qsizetype kEnd = (kMaxCell - 3) / 2;
    const QString escaped = platform::log::escapeField(text);
    if (escaped.size() <= kMaxCell)
        return escaped;
    qsizetype head = kEnd, tail = escaped.size() - kEnd;
    if (escaped.at(head - 1).isHighSurrogate())
        --head;
    if (escaped.at(tail).isLowSurrogate())
        ++tail;
    return escaped.left(head) + QStringLiteral("...") + escaped.mid(tail);
}

// The names of a set in order.
QStringList sorted(const QSet<QString>& names)
{
    QStringList list(names.cbegin(), names.cend());
    list.sort();
    return list;
}

// Programs with the most launches first, then by name.
QList<QString> byLaunches(const QMap<QString, Count>& counts)
{
    QList<QString> keys = counts.keys();
    std::stable_sort(keys.begin(), keys.end(), [&](const QString& a, const QString& b) {
        return counts[a].launches > counts[b].launches;
    });
    return keys;
}

QList<QPair<QString, QString>> failureOrder(const Summary& s)
{
    QList<QPair<QString, QString>> keys = s.failures.keys();
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const auto& a, const auto& b) { return s.failures[a] > s.failures[b]; });
    return keys;
}

void printTable(const QString& title, const QStringList& header, const QList<QStringList>& rows)
{
    QList<qsizetype> widths;
    for (const QString& h : header)
        widths.append(h.size());
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    auto line = [&](const QStringList& cells) {
        QString text;
        for (qsizetype i = 0; i < cells.size(); ++i)
            text += i + 1 < cells.size() ? cells[i].leftJustified(widths[i] + 2) : cells[i];
        out(text + u'\n');
    };
    out(title + u'\n');
    line(header);
    for (const QStringList& row : rows)
        line(row);
    out(QStringLiteral("\n"));
}

void printText(const Summary& s)
{
    QList<QStringList> rows;
    for (const QString& name : byLaunches(s.programs)) {
        const Count& c = s.programs[name];
        rows.append({esc(name), QString::number(c.launches), QString::number(c.failed),
                     esc(sorted(c.hosts).join(QStringLiteral(", "))),
                     esc(sorted(c.users).join(QStringLiteral(", ")))});
    }
    printTable(QStringLiteral("Programs"),
               {QStringLiteral("PROGRAM"), QStringLiteral("LAUNCHES"), QStringLiteral("FAILED"),
                QStringLiteral("HOSTS"), QStringLiteral("USERS")},
               rows);
    for (const auto& [title, header, counts] :
         {std::tuple{QStringLiteral("Hosts"), QStringLiteral("HOST"), &s.hosts},
          std::tuple{QStringLiteral("Days"), QStringLiteral("DAY"), &s.days}}) {
        rows.clear();
        for (auto it = counts->cbegin(); it != counts->cend(); ++it)
            rows.append(
                {esc(it.key()), QString::number(it->launches), QString::number(it->failed)});
        printTable(title, {header, QStringLiteral("LAUNCHES"), QStringLiteral("FAILED")}, rows);
    }
    rows.clear();
    for (const auto& key : failureOrder(s))
        rows.append({esc(key.first), QString::number(s.failures[key]), esc(key.second)});
    printTable(QStringLiteral("Failures"),
               {QStringLiteral("PROGRAM"), QStringLiteral("COUNT"), QStringLiteral("REASON")},
               rows);
}

void printJson(const Summary& s)
{
    QList<JsonRecord> programs, hosts, days, failures;
    for (const QString& name : byLaunches(s.programs)) {
        const Count& c = s.programs[name];
        programs.append({{"program", name},
                         {"launches", c.launches},
                         {"failed", c.failed},
                         {"hosts", sorted(c.hosts)},
                         {"users", sorted(c.users)}});
    }
    for (auto it = s.hosts.cbegin(); it != s.hosts.cend(); ++it)
        hosts.append({{"host", it.key()}, {"launches", it->launches}, {"failed", it->failed}});
    for (auto it = s.days.cbegin(); it != s.days.cend(); ++it)
        days.append({{"day", it.key()}, {"launches", it->launches}, {"failed", it->failed}});
    for (const auto& key : failureOrder(s))
        failures.append(
            {{"program", key.first}, {"reason", key.second}, {"count", s.failures[key]}});
    writeOutput(
        {},
        listsToJson(
            QStringLiteral("kestrel-catalogue-usage"),
            {{"programs", programs}, {"hosts", hosts}, {"days", days}, {"failures", failures}}));
}
} // namespace

int usage(const QStringList& args)
{
    if (wantsHelp(args))
        return std::fputs(kUsageHelp, stdout), kOk;
    Arguments parsed;
    QString error;
    if (!parseArguments(args, {"--json"}, {}, parsed, error))
        return usageError(QStringLiteral("usage: ") + error, kUsageHelp);
    const QStringList& files = parsed.positional;
    const bool json = parsed.has("json");
    for (const QString& file : files)
        if (file.startsWith(u'-') && !args.contains(QStringLiteral("--")))
            return usageError(QStringLiteral("usage: unknown option %1").arg(field(file)),
                              kUsageHelp);
    if (files.isEmpty())
        return usageError(QStringLiteral("usage: LOGFILE is missing"), kUsageHelp);

    Summary summary;
    bool clean = true;
    for (const QString& file : files)
        clean &= readLog(file, summary);
    if (json)
        printJson(summary);
    else
        printText(summary);
    return clean ? kOk : kFailed;
}

} // namespace tool
