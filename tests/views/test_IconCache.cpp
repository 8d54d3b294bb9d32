#include "tests/support/TestFiles.h"
#include "tests/support/TestMain.h"
#include "views/common/IconCache.h"

class TestIconCache : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;

    QString path(const QString& name) const { return mDir.filePath(name); }

    static QImage picture(QImage::Format format, const QColor& colour)
    {
        QImage image(5, 3, format);
        image.fill(colour);
        return image;
    }
    // A cache made by a fill that decoded these icon files into these images.
    static void saveCache(const QString& cacheFile, const QMap<QString, QList<QImage>>& decoded)
    {
        IconCache cache(cacheFile);
        for (auto entry = decoded.cbegin(); entry != decoded.cend(); ++entry)
            cache.insert(entry.key(), IconCache::stamp(entry.key()), entry.value());
        cache.save();
    }
    // Whether a later start finds the icon; with save, that start, using only it, saves.
    static bool held(const QString& cacheFile, const QString& icon, bool save = false)
    {
        IconCache cache(cacheFile);
        cache.load();
        const bool found = cache.take(icon, IconCache::stamp(icon)).has_value();
        if (save)
            cache.save();
        return found;
    }

private slots:
    // A later start reads back what was decoded, pixel for pixel, while the icon file is
    // unchanged; new content (same size too) or a file that appears is decoded again. A save
    // keeps only what its start used; one that decoded nothing, or only a FIFO or an oversized
    // file, writes nothing.
    void keepsWhatWasDecodedUntilTheFileChanges()
    {
        const QString cacheFile = path("keep.cache"), icon = path("a.ico"), gone = path("gone.ico");
        writeFile(icon, "first");
        // 16 bits a channel (a 16-bit PNG) kept to the last bit, a colour table as 32-bit pixels.
        const QImage translucent = picture(QImage::Format_ARGB32, QColor(200, 100, 50, 77)),
                     opaque = picture(QImage::Format_RGB32, QColor(1, 2, 3)),
                     deep = picture(QImage::Format_RGBA64, QRgba64::fromRgba64(0x43219abc56781234));
        saveCache(cacheFile,
                  {{icon, {translucent, opaque.convertToFormat(QImage::Format_Indexed8), deep}},
                   {gone, {}}}); // a missing file: held as having no images
        IconCache later(cacheFile);
        later.load();
        QCOMPARE(later.take(icon, IconCache::stamp(icon)).value_or(QList<QImage>()),
                 (QList<QImage>{translucent, opaque, deep}));
        QVERIFY(later.take(gone, IconCache::stamp(gone)) == QList<QImage>());

        writeFile(icon, "other");
        writeFile(gone, "found");
        QVERIFY(!held(cacheFile, icon) && !held(cacheFile, gone));
        saveCache(cacheFile, {{icon, {}}, {gone, {}}});
        QVERIFY(held(cacheFile, icon, true) && held(cacheFile, icon) && !held(cacheFile, gone));
        const QString pipe = path("pipe.png"), large = path("large.png");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        writeFile(large, QByteArray(4 * 1024 * 1024 + 1, 'x'));
        QVERIFY(QFile::remove(cacheFile));
        later.save();
        saveCache(cacheFile, {{pipe, {}}, {large, {}}});
        QVERIFY(!QFile::exists(cacheFile));
    }

    // A damaged or foreign cache file is ignored: text, every cut, every changed byte before
    // the pixels (stored last, as they are). A new save still works.
    void damagedFileIsIgnored()
    {
        const QString cacheFile = path("damaged.cache"), icon = path("damaged.png");
        writeFile(icon, "icon");
        const QImage pixels = picture(QImage::Format_ARGB32, Qt::transparent);
        saveCache(cacheFile, {{icon, {pixels}}});
        const QByteArray good = readFile(cacheFile);
        QList<QByteArray> damaged{"not a cache at all, just some text"};
        for (qsizetype size = 0; size < good.size(); ++size)
            damaged.append(good.left(size));
        for (qsizetype at = 0; at < good.size() - pixels.sizeInBytes(); ++at) {
            damaged.append(good);
            damaged.last()[at] = char(~good[at]);
        }
        for (const QByteArray& bytes : damaged) {
            writeFile(cacheFile, bytes);
            QVERIFY2(!held(cacheFile, icon), bytes.toHex().constData());
        }
        saveCache(cacheFile, {{icon, {}}});
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
        else { // a cache of theirs, unlike what a save here would write
            saveCache(cacheFile = dir.filePath("theirs/c.cache"), {{icon, {}}, {decoy, {}}});
            QCOMPARE(::chown(qPrintable(dir.filePath("theirs")), 65534, 65534), 0);
        }
        const std::pair before(QFileInfo(cacheFile).lastModified(), QFileInfo(cacheFile).size());
        QVERIFY(!held(cacheFile, icon));
        saveCache(cacheFile, {{icon, {}}});
        QCOMPARE(readFile(decoy), "decoy");
        const QFileInfo after(cacheFile);
        QCOMPARE(after.isSymLink() || !after.isFile(), kind != "foreign");
        QCOMPARE(std::pair(after.lastModified(), after.size()), before);
    }
};

KESTREL_TEST_GUILESS_MAIN(TestIconCache)
#include "test_IconCache.moc"
