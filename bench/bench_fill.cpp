// Times filling the launcher's program list, from the catalogue query to the first paint
// of the list, on 1,000 to 100,000 programs (every twentieth with an icon file of its own
// among 50, the rest the default icon). Beside it, up to 32,767 programs, the same fill
// done the naive way: one decode per program, images found by a linear search of their
// keys, items added and scrolled to one by one. Each measurement runs in a child process
// of its own, so that peak memory (VmHWM) belongs to that one fill. At 100,000 programs, also
// the fill of a catalogue where a third of them have audiences, all meant for the viewer.
//
//   bench_fill                         all sizes; a table, then "result <name> <value>" lines
//   bench_fill make <folder>           the driver's icons and catalogues, for profiling
//   bench_fill one <real|naive|audience> <n> <folder>   one fill, in a folder made by the driver
#include "bench/BenchCatalogue.h"
#include "catalogue/clsDBRoutines.h"
#include "platform/KestrelError.h"
#include "platform/ui/widgets/LoadPicture.h"
#include "resources/KestrelResources.h"
#include "settings/FileChecks.h"
#include "settings/clsEnvironment.h"
#include "views/launcher/ucProgramView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {
constexpr int IconFiles = 50;
constexpr int OwnIconEvery = 20;
constexpr int NaiveLimit = 32767;
// The list's size inside the launcher's window.
constexpr QSize ListSize(417, 345);

QString iconPath(const QString& folder, int i)
{
    // Half ICO, half PNG, as an icons folder tends to be.
    return QDir(folder).filePath(QStringLiteral("icons/icon%1.%2")
                                     .arg(i, 2, 10, QLatin1Char('0'))
                                     .arg(i % 2 ? "png" : "ico"));
}

constexpr int AudienceSize = 100000;

QString cataloguePath(const QString& folder, int count, bool audiences = false)
{
    return QDir(folder).filePath(
        QStringLiteral("catalogue-%1%2.mdb").arg(audiences ? "audience-" : "").arg(count));
}

QString defaultIconPath(const QString& folder)
{
    return QDir(folder).filePath(QStringLiteral("Default.ico"));
}

void makeIcons(const QString& folder)
{
    QDir(folder).mkpath(QStringLiteral("icons"));
    QFile::copy(QString::fromLatin1(kestrel_resources::DefaultIconPath), defaultIconPath(folder));
    for (int i = 0; i < IconFiles; ++i) {
        QImage image(i % 2 ? 48 : 32, i % 2 ? 48 : 32, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor::fromHsv(i * 360 / IconFiles, 200, 220));
        painter.drawEllipse(image.rect().adjusted(2, 2, -2, -2));
        painter.end();
        image.save(iconPath(folder, i), i % 2 ? "PNG" : "ICO");
    }
}

void makeCatalogue(const QString& folder, int count, bool audiences = false)
{
    const QString path = cataloguePath(folder, count, audiences);
    makeBenchCatalogue(path, count, [&](int n) {
        return n % OwnIconEvery == 0 ? iconPath(folder, (n / OwnIconEvery) % IconFiles)
                                     : QString("");
    });
    if (!audiences)
        return;
    // Every third program: a course's group (not the viewer's) and one that is the viewer's
    // user, group or host in turn, so the list holds every program, as the plain one does.
    const Viewer viewer = currentViewer();
    Connection connection;
    connection.setConnectionString(path);
    connection.Open();
    connection.BeginTrans();
    for (const QString& statement :
         {QStringLiteral("Insert into Program_Audience Select Program_Key, 'group:course-' || "
                         "(Program_Key % 40) from Program where Program_Key % 3 = 0"),
          QStringLiteral("Insert into Program_Audience Select Program_Key, case Program_Key % 9 "
                         "when 0 then ? when 3 then ? else ? end from Program where Program_Key "
                         "% 3 = 0")}) {
        Recordset rs(connection);
        rs.setSource(statement);
        if (statement.contains(u'?'))
            rs.setParameters({QStringLiteral("user:") + viewer.user,
                              QStringLiteral("group:") + viewer.groups.value(0),
                              QStringLiteral("host:") + viewer.hostNames.value(0).left(2) + u'*'});
        rs.Open();
    }
    connection.CommitTrans();
    connection.Close();
}

// The fill as first written: every program's picture decoded from its file (one picture
// near the list's icon size, as an image list keeps it), images kept
// in insertion order and found by comparing keys one by one, each item added to the list,
// scrolled to and then given its icon, text and path. Adding an image does not look for
// an existing key first; that can only make this baseline faster.
void naiveFill(launcher::ucProgramView& view)
{
    QList<QIcon> images;
    QStringList keys;
    auto lookup = [&](const QString& name) -> int {
        const QString key = TrimSpaces(name);
        for (int i = 1; i <= int(keys.size()); ++i)
            if (keys.at(i - 1) == key)
                return i;
        return 0;
    };

    Recordset programs = gDBRoutines().loadPrograms();
    if (programs.RecordCount() == 0) {
        programs.Close();
        return;
    }
    const QString defaultIcon = gEnvironment().DefaultIcon();
    programs.MoveFirst();
    const int n = programs.RecordCount();
    for (int i = 1; i <= n; ++i) {
        const QString custom =
            TrimSpaces(programs.Fields(QStringLiteral("Program_CustomIcon")).toString());
        try {
            images.append(QIcon(platform::loadPicture(custom.isEmpty() ? defaultIcon : custom)));
            keys.append(TrimSpaces(programs.Fields(QStringLiteral("Program_Name")).toString()));
        } catch (const KestrelError&) {
        }
        programs.MoveNext();
    }

    QListWidget* list = view.lstView();
    programs.MoveFirst();
    for (int i = 1; i <= n; ++i) {
        auto* item = new QListWidgetItem(list);
        list->scrollToItem(item);
        const QString name = programs.Fields(QStringLiteral("Program_Name")).toString();
        const int index = lookup(name);
        item->setIcon(index > 0 ? images.at(index - 1) : QIcon());
        item->setData(ucProgramViewBase::ImageIndexRole, index);
        item->setText(TrimSpaces(name));
        item->setData(ucProgramViewBase::PathRole,
                      TrimSpaces(programs.Fields(QStringLiteral("Program_Path")).toString()));
        programs.MoveNext();
    }
    programs.Close();
}

// Marks the end of the first paint of a widget: the paint event itself, then everything
// the event loop had queued with it (the flush to the backing store).
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget* widget) { widget->installEventFilter(this); }
    // False when no paint came within ten minutes.
    bool wait()
    {
        if (!mDone) {
            QTimer::singleShot(600000, &mLoop, &QEventLoop::quit);
            mLoop.exec();
        }
        return mDone;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !mSeen) {
            mSeen = true;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                mDone = true;
                mLoop.quit();
            });
        }
        return false;
    }

private:
    QEventLoop mLoop;
    bool mSeen = false;
    bool mDone = false;
};

qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// One fill in this process; prints "<ms> <peak KiB> <items> <items with an icon>".
int runOne(bool naive, int count, const QString& folder, bool audiences = false)
{
    gEnvironment().setDatabasePath(cataloguePath(folder, count, audiences));
    gEnvironment().setDefaultIcon(defaultIconPath(folder));
    setCatalogueReadOnly(true);
    // The connection is opened by the launcher's start-up (its first statement), not by the fill.
    gDBRoutines().programNameExists(QString());
    gDBRoutines().setViewer(currentViewer()); // as the launcher's start-up does

    launcher::ucProgramView view(gDBRoutines(), gEnvironment().DefaultIcon());
    view.resize(ListSize);
    FirstPaint painted(view.lstView()->viewport());

    QElapsedTimer timer;
    timer.start();
    if (naive)
        naiveFill(view);
    else
        view.loadView();
    view.show();
    if (!painted.wait())
        return 4;
    const qint64 ns = timer.nsecsElapsed();

    QListWidget* list = view.lstView();
    int withIcon = 0;
    for (int i = 0; i < list->count(); ++i)
        withIcon += list->item(i)->icon().isNull() ? 0 : 1;
    std::printf("%.3f %lld %d %d\n", double(ns) / 1e6, peakKiB(), list->count(), withIcon);
    releaseDBRoutines();
    return list->count() == count && withIcon == count ? 0 : 3;
}

struct Sample
{
    double ms = 0;
    qint64 peakKiB = 0;
};

// Runs one fill in a fresh process.
bool runChild(const char* kind, int count, const QString& folder, Sample& sample)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("one"), QString::fromLatin1(kind), QString::number(count), folder});
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        std::fprintf(stderr, "bench_fill: the %s fill of %d programs failed (exit code %d)\n", kind,
                     count, child.exitCode());
        return false;
    }
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    sample.ms = fields.value(0).toDouble();
    sample.peakKiB = fields.value(1).toLongLong();
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

const std::vector<int> Sizes{1000, 10000, 32767, 100000};
// Fresh processes per size; the sizes take turns, so that a busy moment of the machine
// does not land on one size only.
constexpr int FillRuns = 5;

void makeFolder(const QString& folder)
{
    makeIcons(folder);
    for (int count : Sizes)
        makeCatalogue(folder, count);
    makeCatalogue(folder, AudienceSize, true);
}

int runAll()
{
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    makeFolder(dir.path());

    std::map<int, std::vector<double>> fillTimes;
    std::map<int, qint64> fillPeak;
    std::vector<double> audienceTimes;
    for (int run = 0; run < FillRuns; ++run) {
        for (int count : Sizes) {
            Sample sample;
            if (!runChild("real", count, dir.path(), sample))
                return 1;
            fillTimes[count].push_back(sample.ms);
            fillPeak[count] = std::max(fillPeak[count], sample.peakKiB);
        }
        Sample sample;
        if (!runChild("audience", AudienceSize, dir.path(), sample))
            return 1;
        audienceTimes.push_back(sample.ms);
    }
    // The naive fill is quadratic: fewer runs for the larger sizes.
    std::map<int, double> naiveTime;
    std::map<int, qint64> naivePeak;
    for (int count : Sizes) {
        if (count > NaiveLimit)
            continue;
        std::vector<double> times;
        for (int run = 0; run < (count < 10000 ? 3 : 1); ++run) {
            Sample sample;
            if (!runChild("naive", count, dir.path(), sample))
                return 1;
            times.push_back(sample.ms);
            naivePeak[count] = std::max(naivePeak[count], sample.peakKiB);
        }
        naiveTime[count] = median(times);
    }

    std::printf("Filling the launcher's list, catalogue query to first paint, offscreen\n");
    std::printf("(median of %d runs; naive: median of 3 at 1,000, one run above)\n\n", FillRuns);
    std::printf("%9s %10s %12s %10s %11s %11s\n", "programs", "fill ms", "naive ms", "speed-up",
                "fill peak", "naive peak");
    std::map<int, double> fill;
    for (int count : Sizes) {
        fill[count] = median(fillTimes[count]);
        std::printf("%9d %10.1f", count, fill[count]);
        if (naiveTime.count(count))
            std::printf(" %12.1f %9.1fx %8.1f MB %8.1f MB\n", naiveTime[count],
                        naiveTime[count] / fill[count], double(fillPeak[count]) / 1024,
                        double(naivePeak[count]) / 1024);
        else
            std::printf(" %12s %10s %8.1f MB %11s\n", "-", "-", double(fillPeak[count]) / 1024,
                        "-");
    }
    std::printf("\nfill 10,000 / fill 1,000:    %6.2f (linear: 10)\n", fill[10000] / fill[1000]);
    std::printf("fill 100,000 / fill 10,000:  %6.2f (linear: 10)\n", fill[100000] / fill[10000]);
    std::printf("naive / fill at 32,767:      %6.1f\n", naiveTime[32767] / fill[32767]);
    const double audienceFill = median(audienceTimes);
    std::printf("fill with audiences at 100,000 (a third of them): %.1f ms, %.2f of the plain "
                "fill\n\n",
                audienceFill, audienceFill / fill[AudienceSize]);
    std::printf("result audience_fill_ms_%d %.3f\n", AudienceSize, audienceFill);

    for (int count : Sizes) {
        std::printf("result fill_ms_%d %.3f\n", count, fill[count]);
        std::printf("result fill_peak_mb_%d %.1f\n", count, double(fillPeak[count]) / 1024);
    }
    for (const auto& [count, ms] : naiveTime)
        std::printf("result naive_ms_%d %.3f\n", count, ms);
    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String("one"))
        return runOne(args.at(2) == QLatin1String("naive"), args.at(3).toInt(), args.at(4),
                      args.at(2) == QLatin1String("audience"));
    if (args.size() == 3 && args.at(1) == QLatin1String("make")) {
        QDir().mkpath(args.at(2));
        makeFolder(args.at(2));
        return 0;
    }
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: bench_fill [make <folder> | one real|naive|audience "
                             "<programs> <folder>]\n");
        return 2;
    }
    return runAll();
}
