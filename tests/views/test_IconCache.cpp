#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "views/common/IconCache.h"

#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

class TestIconCache : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

    QString path(const QString& name) const { return mDir.filePath(name); }

    static QImage picture(QImage::Format format, QRgb pixel)
    {
        QImage image(5, 3, format);
        image.fill(pixel);
        return image;
    }
    // A cache made by a fill that decoded these icon files, each into one picture.
    static void saveCache(const QString& cacheFile, const QStringList& icons)
    {
        IconCache cache(cacheFile);
        for (const QString& icon : icons)
            cache.insert(icon, IconCache::stamp(icon), {picture(QImage::Format_ARGB32, 0xff)});
        cache.save();
    }
    static bool held(const QString& cacheFile, const QString& icon)
    {
        IconCache cache(cacheFile);
        cache.load();
        return cache.take(icon, IconCache::stamp(icon)).has_value();
    }

private slots:
    // What a later start reads back is what was decoded, pixel for pixel, for as long as
    // the icon file holds what it held; new content (even of the same size) or a file
    // that appears is decoded again. A missing file is held as having no images.
    void keepsImagesUntilTheFileChanges()
    {
        const QString cacheFile = path("keep.cache");
        const QString icon = path("a.ico"), gone = path("gone.ico");
        writeFile(icon, "first");
        const QImage translucent = picture(QImage::Format_ARGB32, qRgba(200, 100, 50, 77));
        const QImage indexed =
            picture(QImage::Format_ARGB32, qRgb(1, 2, 3)).convertToFormat(QImage::Format_Indexed8);
        // 16 bits a channel, as a 16-bit PNG decodes: kept to the last bit.
        QImage deep(4, 2, QImage::Format_RGBA64);
        deep.fill(QColor(QRgba64::fromRgba64(0x1234, 0x5678, 0x9abc, 0x4321)));
        {
            IconCache cache(cacheFile);
            cache.load();
            QVERIFY(!cache.take(icon, IconCache::stamp(icon)));
            cache.insert(icon, IconCache::stamp(icon), {translucent, indexed, deep});
            cache.insert(gone, IconCache::stamp(gone), {});
            cache.save();
        }
        IconCache later(cacheFile);
        later.load();
        const std::optional<QList<QImage>> kept = later.take(icon, IconCache::stamp(icon));
        QVERIFY(kept && kept->size() == 3);
        QCOMPARE(kept->at(0), translucent);
        QCOMPARE(kept->at(0).format(), QImage::Format_ARGB32);
        QCOMPARE(kept->at(1).convertToFormat(QImage::Format_ARGB32),
                 indexed.convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(kept->at(2).format(), QImage::Format_RGBA64);
        QCOMPARE(kept->at(2).pixelColor(3, 1).rgba64(), deep.pixelColor(3, 1).rgba64());
        const std::optional<QList<QImage>> missing = later.take(gone, IconCache::stamp(gone));
        QVERIFY(missing && missing->isEmpty());

        writeFile(icon, "other");
        writeFile(gone, "found");
        QVERIFY(!held(cacheFile, icon) && !held(cacheFile, gone));
    }

    // A save keeps only what this fill used, and a fill that decoded nothing writes nothing.
    // Files whose reading could block or cost more than decoding are not cached.
    void savesOnlyTheEntriesUsed()
    {
        const QString cacheFile = path("used.cache");
        const QString a = path("used-a.png"), b = path("used-b.png");
        writeFile(a, "a");
        writeFile(b, "b");
        saveCache(cacheFile, {a, b});
        {
            IconCache onlyA(cacheFile);
            onlyA.load();
            QVERIFY(onlyA.take(a, IconCache::stamp(a)));
            onlyA.save();
        }
        QVERIFY(held(cacheFile, a) && !held(cacheFile, b));
        IconCache unchanged(cacheFile);
        unchanged.load();
        QVERIFY(unchanged.take(a, IconCache::stamp(a)));
        QVERIFY(QFile::remove(cacheFile));
        unchanged.save();
        QVERIFY(!QFile::exists(cacheFile));
        const QString pipe = path("pipe.png"), large = path("large.png");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        writeFile(large, QByteArray(4 * 1024 * 1024 + 1, 'x'));
        QVERIFY(IconCache::stamp(pipe).isEmpty() && IconCache::stamp(large).isEmpty());
        saveCache(cacheFile, {pipe, large});
        QVERIFY(!QFile::exists(cacheFile));
    }

    // A damaged or foreign cache file is ignored, wherever the damage lies: text, every cut,
    // every changed byte before the pixels (stored last, as they are). It does not stop a
    // new save.
    void damagedFileIsIgnored()
    {
        const QString cacheFile = path("damaged.cache"), icon = path("damaged.png");
        writeFile(icon, "icon");
        saveCache(cacheFile, {icon});
        const QByteArray good = readFile(cacheFile);
        QList<QByteArray> damaged{"not a cache at all, just some text"};
        for (qsizetype size = 0; size < good.size(); ++size)
            damaged.append(good.left(size));
        const qsizetype pixels = picture(QImage::Format_ARGB32, 0).sizeInBytes();
        for (qsizetype at = 0; at < good.size() - pixels; ++at) {
            damaged.append(good);
            damaged.last()[at] = char(~good[at]);
        }
        for (const QByteArray& bytes : damaged) {
            writeFile(cacheFile, bytes);
            QVERIFY2(!held(cacheFile, icon), bytes.toHex().constData());
        }
        saveCache(cacheFile, {icon});
        QVERIFY(held(cacheFile, icon));
    }

    // What is in the cache's place and not a regular file of the user is neither read
    // (a FIFO would block the start for good) nor replaced, nor written through.
    void leavesWhatIsNotItsOwnFileAlone_data()
    {
        const auto row = columns<QString>({"kind"});
        row("link to a decoy", "link"), row("fifo", "fifo"),
            row("folder of another user", "foreign");
    }
    void leavesWhatIsNotItsOwnFileAlone()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString icon = path("alone.png"), decoy = dir.filePath("decoy");
        QString cacheFile = dir.filePath("c.cache");
        writeFile(icon, "icon");
        writeFile(decoy, "decoy");
        if (kind == "link")
            QVERIFY(QFile::link(decoy, cacheFile));
        else if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(cacheFile).constData(), 0600), 0);
        else {
            IconCache theirs(cacheFile = dir.filePath("theirs/c.cache"));
            theirs.insert(icon, IconCache::stamp(icon), {picture(QImage::Format_RGB32, 0)});
            theirs.save();
            QCOMPARE(::chown(QFile::encodeName(dir.filePath("theirs")).constData(), 65534, 65534),
                     0);
        }
        const QFileInfo before(cacheFile);
        IconCache cache(cacheFile);
        cache.load();
        QVERIFY(!cache.take(icon, IconCache::stamp(icon)));
        cache.insert(icon, IconCache::stamp(icon), {picture(QImage::Format_RGB32, 1)});
        cache.save();
        QCOMPARE(readFile(decoy), "decoy");
        const QFileInfo after(cacheFile);
        QCOMPARE(after.isSymLink() || !after.isFile(), kind != "foreign");
        QCOMPARE(after.lastModified(), before.lastModified());
    }
};

KESTREL_TEST_GUILESS_MAIN(TestIconCache)
#include "test_IconCache.moc"
