#include "tests/support/TestMain.h"
#include "views/common/IconCache.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

class TestIconCache : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

    QString path(const QString& name) const { return mDir.filePath(name); }

    static void writeFile(const QString& file, const QByteArray& content)
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(content);
    }

    static QImage picture(QImage::Format format, QRgb pixel)
    {
        QImage image(5, 3, format);
        image.fill(pixel);
        return image;
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
        QVERIFY(kept);
        QCOMPARE(kept->size(), 3);
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
        IconCache changed(cacheFile);
        changed.load();
        QVERIFY(!changed.take(icon, IconCache::stamp(icon)));
        QVERIFY(!changed.take(gone, IconCache::stamp(gone)));
    }

    // A save keeps only what this fill used, and a fill that decoded nothing writes nothing.
    void savesOnlyTheEntriesUsed()
    {
        const QString cacheFile = path("used.cache");
        const QString a = path("used-a.png"), b = path("used-b.png");
        writeFile(a, "a");
        writeFile(b, "b");
        {
            IconCache cache(cacheFile);
            cache.insert(a, IconCache::stamp(a), {picture(QImage::Format_RGB32, qRgb(9, 9, 9))});
            cache.insert(b, IconCache::stamp(b), {picture(QImage::Format_RGB32, qRgb(8, 8, 8))});
            cache.save();
        }
        {
            IconCache onlyA(cacheFile);
            onlyA.load();
            QVERIFY(onlyA.take(a, IconCache::stamp(a)));
            onlyA.save();
        }
        IconCache after(cacheFile);
        after.load();
        QVERIFY(after.take(a, IconCache::stamp(a)));
        QVERIFY(!after.take(b, IconCache::stamp(b)));

        IconCache unchanged(cacheFile);
        unchanged.load();
        QVERIFY(unchanged.take(a, IconCache::stamp(a)));
        QVERIFY(QFile::remove(cacheFile));
        unchanged.save();
        QVERIFY(!QFile::exists(cacheFile));
    }

    // A damaged or foreign cache file is ignored as a whole and does not stop a new save.
    void damagedFileIsIgnored_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray good;
        {
            const QString icon = path("damaged.png");
            writeFile(icon, "icon");
            IconCache cache(path("good.cache"));
            cache.insert(icon, IconCache::stamp(icon),
                         {picture(QImage::Format_ARGB32, qRgb(1, 1, 1))});
            cache.save();
            QFile f(path("good.cache"));
            QVERIFY(f.open(QIODevice::ReadOnly));
            good = f.readAll();
        }
        const auto header = [](quint32 magic, quint32 version, quint32 count) {
            QByteArray bytes;
            QDataStream out(&bytes, QIODevice::WriteOnly);
            out.setVersion(QDataStream::Qt_6_0);
            out << magic << version << count;
            return bytes;
        };
        const auto oneImage = [&](qint32 format, qint32 width, qint32 height) {
            QByteArray bytes = header(0x4b494331, 1, 1);
            QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
            out.setVersion(QDataStream::Qt_6_0);
            out << path("damaged.png") << IconCache::stamp(path("damaged.png")) << quint32(1)
                << format << width << height;
            return bytes + QByteArray(64, '\x7f');
        };
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("not a cache at all, just some text");
        QTest::newRow("cut short") << good.left(good.size() - 7);
        QTest::newRow("other version") << header(0x4b494331, 99, 0) + good.mid(12);
        QTest::newRow("huge image") << oneImage(QImage::Format_ARGB32, 100000, 100000);
        QTest::newRow("negative size") << oneImage(QImage::Format_ARGB32, -4, 4);
        QTest::newRow("odd format") << oneImage(QImage::Format_Mono, 4, 4);
        QTest::newRow("billions of entries") << header(0x4b494331, 1, 0xffffffff);
    }

    void damagedFileIsIgnored()
    {
        QFETCH(QByteArray, content);
        const QString cacheFile = path("damaged.cache"), icon = path("damaged.png");
        writeFile(cacheFile, content);
        IconCache cache(cacheFile);
        cache.load();
        QVERIFY(!cache.take(icon, IconCache::stamp(icon)));
        cache.insert(icon, IconCache::stamp(icon), {picture(QImage::Format_RGB32, qRgb(5, 6, 7))});
        cache.save();
        IconCache again(cacheFile);
        again.load();
        QVERIFY(again.take(icon, IconCache::stamp(icon)));
    }

    // What is in the cache's place and not a regular file of the user is neither read
    // (a FIFO would block the start for good) nor replaced, nor written through.
    void leavesWhatIsNotItsOwnFileAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link to a decoy") << "link";
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("folder of another user") << "foreign";
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
        QFile kept(decoy);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), "decoy");
        const QFileInfo after(cacheFile);
        QCOMPARE(after.isSymLink() || !after.isFile(), kind != "foreign");
        QCOMPARE(after.lastModified(), before.lastModified());
    }

    // Files whose reading could block or cost more than decoding are not cached.
    void devicesAndLargeFilesAreNotCached()
    {
        QVERIFY(IconCache::stamp(QStringLiteral("/dev/zero")).isEmpty());
        const QString large = path("large.png");
        writeFile(large, QByteArray(4 * 1024 * 1024 + 1, 'x'));
        QVERIFY(IconCache::stamp(large).isEmpty());
        IconCache cache(path("large.cache"));
        cache.insert(large, IconCache::stamp(large), {picture(QImage::Format_RGB32, 0)});
        cache.save();
        QVERIFY(!QFile::exists(path("large.cache")));
    }
};

KESTREL_TEST_GUILESS_MAIN(TestIconCache)
#include "test_IconCache.moc"
