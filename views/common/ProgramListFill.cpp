#include "views/common/ProgramListFill.h"

#include "catalogue/ProgramName.h"
#include "platform/KestrelError.h"
#include "platform/ui/widgets/LoadPicture.h"
#include "settings/FileChecks.h"
#include "views/common/BackgroundTask.h"
#include "views/common/IconCache.h"
#include "views/common/ProgramListWidget.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QSet>
#include <QTimer>
#include <atomic>
#include <functional>
#include <vector>

namespace {
// On a dense screen the icon is drawn from the file's largest image, not enlarged from
// the one nearest the icon size; otherwise only that nearest image is decoded.
QList<QImage> readIconFile(const QString& path, bool dense)
{
    try {
        return dense ? platform::readIconImages(path) : QList<QImage>{platform::readPicture(path)};
    } catch (const KestrelError&) {
        // A missing or broken icon file leaves its programs without an image.
        return {};
    }
}

// The images of a picture the catalogue stores; none when it is not a picture.
QList<QImage> readStoredIcon(const QByteArray& data, bool dense)
{
    const QString named = QStringLiteral("the stored icon");
    try {
        return dense ? platform::readIconImages(data, named)
                     : QList<QImage>{platform::readPicture(data, named)};
    } catch (const KestrelError&) {
        return {};
    }
}

// The icon of each source: an icon file, or a picture the catalogue stores (a key of
// IconCache::storedKey; storedIcons answers their bytes by digest). What the icon cache
// holds unchanged is taken from it; the rest is decoded, one decode per source, two at a
// time: this thread and a helper take the next one in turn. Only images are made on the
// helper; icons are made here.
QHash<QString, QIcon>
readIcons(const QSet<QString>& files,
          const std::function<QHash<QString, QByteArray>(const QSet<QString>&)>& storedIcons)
{
    const bool dense = qGuiApp && qGuiApp->devicePixelRatio() > 1.0;
    IconCache cache(IconCache::defaultFile(dense));
    cache.load();
    QHash<QString, QIcon> icons;
    QStringList paths;
    QStringList stamps;
    QSet<QString> wanted; // the digests of the stored pictures to read
    for (const QString& path : files) {
        const QString digest = IconCache::storedDigest(path);
        const QString stamp = digest.isEmpty() ? IconCache::stamp(path) : digest;
        if (std::optional<QList<QImage>> cached = cache.take(path, stamp)) {
            icons.insert(path, platform::iconFromImages(*cached));
        } else {
            paths.append(path);
            stamps.append(stamp);
            if (!digest.isEmpty())
                wanted.insert(digest);
        }
    }
    // Read here: the catalogue's connection belongs to this thread.
    const QHash<QString, QByteArray> stored =
        wanted.isEmpty() ? QHash<QString, QByteArray>() : storedIcons(wanted);
    std::vector<QList<QImage>> images(size_t(paths.size()));
    std::atomic<qsizetype> next = 0;
    const auto decodeRest = [&] {
        for (qsizetype i = next++; i < paths.size(); i = next++) {
            const QString digest = IconCache::storedDigest(paths.at(i));
            images[size_t(i)] = digest.isEmpty() ? readIconFile(paths.at(i), dense)
                                                 : readStoredIcon(stored.value(digest), dense);
        }
    };
    {
        // The helper works on this frame's variables: it is waited for however this thread's
        // part ends. Anything but a bad picture (memory running out) is raised here, the
        // helper's through its future.
        QFuture<void> helper;
        if (paths.size() > 1)
            helper = background::start(QThread::NormalPriority, decodeRest);
        try {
            decodeRest();
        } catch (...) {
            try {
                helper.waitForFinished();
            } catch (...) {
                // This thread's failure is the one reported.
            }
            throw;
        }
        helper.waitForFinished();
    }
    for (qsizetype i = 0; i < paths.size(); ++i) {
        cache.insert(paths.at(i), stamps.at(i), images[size_t(i)]);
        icons.insert(paths.at(i), platform::iconFromImages(images[size_t(i)]));
    }
    cache.save();
    return icons;
}
} // namespace

ProgramListFill::ProgramListFill(clsDBRoutines& catalogue, const QString& defaultIcon,
                                 ProgramListWidget* list, QObject* parent)
    : QObject(parent), mCatalogue(catalogue), mDefaultIcon(defaultIcon), mList(list)
{
}

void ProgramListFill::fill(const std::function<void()>& beforeAdding)
{
    if (mBeforeRead)
        mBeforeRead();
    Recordset programs = mCatalogue.loadPrograms();
    if (beforeAdding)
        beforeAdding();
    if (programs.RecordCount() == 0) {
        programs.Close();
        if (beforeAdding)
            emit filled({});
        if (mAfterFill)
            mAfterFill();
        return;
    }

    // The current row's icon: the picture the catalogue stores for it, shown on every
    // workstation whether or not the file is there; else its own file, or the default.
    const QHash<QString, QString> storedDigests = mCatalogue.loadStoredIconDigests();
    const auto nameOf = [&programs] {
        return TrimSpaces(programs.Fields(QStringLiteral("Program_Name")).toString());
    };
    const auto iconSource = [&programs, &storedDigests, &nameOf, this] {
        if (const QString digest = storedDigests.value(programNameKey(nameOf())); !digest.isEmpty())
            return IconCache::storedKey(digest);
        const QString customIcon =
            TrimSpaces(programs.Fields(QStringLiteral("Program_CustomIcon")).toString());
        const QString file = customIcon.isEmpty() ? mDefaultIcon : customIcon;
        // A file named like a stored key is a file all the same.
        return IconCache::storedDigest(file).isEmpty() ? file : QStringLiteral("./") + file;
    };
    // The default icon also stands in for an icon that cannot be shown.
    QSet<QString> iconFiles{mDefaultIcon};
    programs.MoveFirst();
    while (!programs.Eof()) {
        iconFiles.insert(iconSource());
        programs.MoveNext();
    }
    const QHash<QString, QIcon> icons = readIcons(iconFiles, [this](const QSet<QString>& digests) {
        return mCatalogue.loadStoredIcons(digests);
    });
    QSet<QString> notPictures; // digests of the stored icons that are no pictures
    programs.MoveFirst();
    while (!programs.Eof()) {
        const QString source = iconSource();
        QIcon picture = icons.value(source);
        if (picture.isNull()) {
            if (!IconCache::storedDigest(source).isEmpty())
                notPictures.insert(IconCache::storedDigest(source));
            picture = icons.value(mDefaultIcon);
        }
        if (!picture.isNull())
            mImages.Add(nameOf(), picture);
        programs.MoveNext();
    }
    // The health check judges a stored icon that shows as fine, and one that is no picture
    // by its bytes (read only then).
    const QHash<QString, QByteArray> badPictures =
        mKeepPrograms ? mCatalogue.loadStoredIcons(notPictures) : QHash<QString, QByteArray>();

    // The health check looks at the same rows, so it need not read the catalogue again.
    QList<ProgramRecord> kept;
    if (mKeepPrograms)
        kept.reserve(programs.RecordCount());
    QListWidgetItem* last = nullptr;
    programs.MoveFirst();
    while (!programs.Eof()) {
        const QString name = TrimSpaces(programs.Fields(QStringLiteral("Program_Name")).toString());
        const QString path = TrimSpaces(programs.Fields(QStringLiteral("Program_Path")).toString());
        const qint32 imageIndex = mImages.indexOf(name);
        if (mKeepPrograms) {
            const QString digest = storedDigests.value(programNameKey(name));
            const bool shown = !digest.isEmpty() && !notPictures.contains(digest);
            kept.append(
                {name,
                 {},
                 path,
                 shown
                     ? QString()
                     : TrimSpaces(programs.Fields(QStringLiteral("Program_CustomIcon")).toString()),
                 {},
                 badPictures.value(digest)});
        }
        // Built completely before it joins the list: no change signals per field.
        auto* item = new ProgramListItem(name, path, imageIndex,
                                         imageIndex > 0 ? mImages.image(imageIndex) : QIcon());
        mList->addItem(item);
        last = item;
        programs.MoveNext();
    }
    programs.Close();
    if (last)
        mList->scrollToItemWhenShown(last);
    emit filled(kept);
    if (mAfterFill)
        mAfterFill();
}

void ProgramListFill::fillWhenFree()
{
    // A server may take its whole connect timeout to answer, or not to: the window shows
    // first, saying what it waits for, and the fill starts once the list has painted.
    if (!mWaitingForPaint && mCatalogue.waitsForAServer() && !mList->viewport()->isVisible()) {
        mWaitingForPaint = true;
        mList->viewport()->installEventFilter(this);
        setWaitingText(QStringLiteral("Connecting to the catalogue server..."));
        return;
    }
    if (!mWaitingFor.isValid())
        mWaitingFor.start();
    try {
        const CatalogueWithoutWaiting noWait;
        fill();
    } catch (const KestrelError& error) {
        if (!isCatalogueBusy(error) || mWaitingFor.hasExpired(qint64(catalogueLockWait()) * 1000)) {
            mWaitingFor.invalidate();
            setWaitingText({});
            if (!mFailed)
                throw;
            mFailed(error);
            return;
        }
        setWaitingText(QStringLiteral("The catalogue is busy: another program holds it "
                                      "locked. Waiting for it..."));
        QTimer::singleShot(200, this, &ProgramListFill::fillWhenFree);
        return;
    }
    mWaitingFor.invalidate();
    setWaitingText({});
}

bool ProgramListFill::eventFilter(QObject* watched, QEvent* event)
{
    // The window is laid out after the text was set: the text follows the list's size.
    if (watched == mList->viewport() && event->type() == QEvent::Resize && mWaitingLabel)
        mWaitingLabel->setGeometry(mList->viewport()->rect().adjusted(12, 12, -12, -12));
    if (mWaitingForPaint && watched == mList->viewport() && event->type() == QEvent::Paint) {
        mList->viewport()->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            mWaitingForPaint = false;
            // The painted window must reach the display before the wait: hand it over now.
            QGuiApplication::sync();
            fillWhenFree();
        });
    }
    return QObject::eventFilter(watched, event);
}

void ProgramListFill::setWaitingText(const QString& text)
{
    if (text.isEmpty() && !mWaitingLabel)
        return;
    if (!mWaitingLabel) {
        mWaitingLabel = new QLabel(mList->viewport());
        mWaitingLabel->setObjectName(QStringLiteral("lblCatalogueBusy"));
        mWaitingLabel->setWordWrap(true);
        mWaitingLabel->setAlignment(Qt::AlignCenter);
    }
    mWaitingLabel->setGeometry(mList->viewport()->rect().adjusted(12, 12, -12, -12));
    mWaitingLabel->setText(text);
    mWaitingLabel->setVisible(!text.isEmpty());
    emit waiting(text);
}

void ProgramListFill::clear()
{
    mList->clear();
    mImages.Clear();
}
