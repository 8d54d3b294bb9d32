#include "platform/KestrelError.h"
#include "platform/ui/widgets/LoadPicture.h"
#include "resources/KestrelResources.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

class test_LoadPicture : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir mDir;

    QString write(const QString& name, const QByteArray& content)
    {
        const QString file = mDir.filePath(name);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(file));
        return file;
    }

    static QImage sample(int side)
    {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.fillRect(side / 4, side / 4, side / 2, side / 2, Qt::red);
        return image;
    }

    static QByteArray encoded(const QImage& image, const char* format)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, format))
            qFatal("cannot encode %s", format);
        return bytes;
    }

private slots:
    void initTestCase() { QVERIFY(mDir.isValid()); }

    void loadsPictures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSize>("size");
        const QByteArray png = encoded(sample(48), "PNG");
        QFile ico(kestrel_resources::DefaultIconPath);
        QVERIFY(ico.open(QIODevice::ReadOnly));

        QTest::addRow("png") << write("icon.png", png) << QSize(48, 48);
        QTest::addRow("multi-size ico: the 32x32 image")
            << write("Default.ico", ico.readAll()) << QSize(32, 32);
        QTest::addRow("ico from resources")
            << QString(kestrel_resources::DefaultIconPath) << QSize(32, 32);
        QTest::addRow("xpm") << write("icon.xpm", encoded(sample(16), "XPM")) << QSize(16, 16);
        QTest::addRow("bmp") << write("icon.bmp", encoded(sample(24), "BMP")) << QSize(24, 24);
        QTest::addRow("svg") << write("icon.svg", "<svg xmlns='http://www.w3.org/2000/svg' "
                                                  "width='40' height='20'><rect width='40' "
                                                  "height='20' fill='blue'/></svg>")
                             << QSize(40, 20);
        // Recognised by content, not by name.
        QTest::addRow("png named .ico") << write("renamed.ico", png) << QSize(48, 48);
        QTest::addRow("no suffix, odd name") << write("my icon; $(x)", png) << QSize(48, 48);
    }
    void loadsPictures()
    {
        QFETCH(QString, file);
        QFETCH(QSize, size);
        QCOMPARE(platform::loadPicture(file).size(), size);
        QVERIFY(!platform::loadIcon(file).isNull());
    }

    void iconKeepsEverySize()
    {
        const QList<QSize> sizes =
            platform::loadIcon(kestrel_resources::DefaultIconPath).availableSizes();
        for (int side : {16, 32, 48, 256})
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
    }

    void badFilesThrow_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint32>("number");
        const QByteArray png = encoded(sample(64), "PNG");
        QTest::addRow("missing") << mDir.filePath("missing.ico") << 53;
        QTest::addRow("folder") << mDir.path() << 53;
        QTest::addRow("empty path") << QString() << 53;
        QTest::addRow("empty file") << write("empty.ico", {}) << 481;
        QTest::addRow("text named .ico") << write("text.ico", "this is no icon\n") << 481;
        QTest::addRow("text named .png") << write("text.png", "this is no picture\n") << 481;
        QTest::addRow("truncated png") << write("cut.png", png.left(png.size() / 2)) << 481;
        QTest::addRow("binary noise") << write("noise.ico", QByteArray(300, '\x9c')) << 481;
    }
    void badFilesThrow()
    {
        QFETCH(QString, file);
        QFETCH(qint32, number);
        for (int kind = 0; kind < 2; ++kind) {
            try {
                if (kind == 0)
                    platform::loadPicture(file);
                else
                    platform::loadIcon(file);
                QFAIL("no error");
            } catch (const KestrelError& e) {
                QCOMPARE(e.number(), number);
                QCOMPARE(e.source(), "LoadPicture");
                QVERIFY2(e.description().contains(file), qPrintable(e.description()));
            }
        }
    }

    void artworkHasItsSizes_data()
    {
        QTest::addColumn<QString>("resource");
        QTest::addColumn<QSize>("size");
        QTest::addRow("logo") << kestrel_resources::LogoPath << QSize(200, 42);
        QTest::addRow("rule") << kestrel_resources::RulePath << QSize(207, 2);
        QTest::addRow("pointer") << kestrel_resources::PointerPath << QSize(32, 32);
    }
    void artworkHasItsSizes()
    {
        QFETCH(QString, resource);
        QFETCH(QSize, size);
        QCOMPARE(platform::loadPicture(resource).size(), size);
    }

    void programIconsOfferLargeSizes()
    {
        for (const QIcon& icon :
             {kestrel_resources::launcherIcon(), kestrel_resources::adminIcon()}) {
            QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
            QCOMPARE(icon.pixmap(256).size(), QSize(256, 256));
        }
        QCOMPARE(kestrel_resources::commandPointer().pixmap().size(), QSize(32, 32));
    }
};

QTEST_MAIN(test_LoadPicture)
#include "test_LoadPicture.moc"
