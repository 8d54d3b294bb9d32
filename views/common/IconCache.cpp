#include "views/common/IconCache.h"

#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr quint32 Magic = 0x4b494331; // "KIC1"
// Pixels are stored in this machine's byte order, which the version therefore names: a
// cache written by a machine of the other order (a shared home folder) is ignored, not
// misread.
constexpr quint32 Version = QSysInfo::ByteOrder == QSysInfo::BigEndian ? 0x80000001 : 1;
// Icons are small; a larger image is left to the decoder rather than stored raw.
constexpr int MaxSide = 512;
constexpr quint32 MaxImagesPerFile = 64;
// Larger icon files are decoded each time rather than read twice.
constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;
// The pixels of all entries: beyond this, reading the cache would cost what it saves.
constexpr qint64 MaxCacheBytes = 16 * 1024 * 1024;

qint64 pixelBytes(const QList<QImage>& images)
{
    qint64 bytes = 0;
    for (const QImage& image : images)
        bytes += image.sizeInBytes();
    return bytes;
}

// The cache is only read and written in a real folder (not a link) of this process's own
// user: elsewhere another user could plant a link or a crafted file where it goes.
bool ownFolder(const QString& file)
{
    struct stat st
    {
    };
    return ::lstat(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

const QString kStoredPrefix = QStringLiteral("stored:");

// A file's name made absolute (so never like a stored key), or a stored key as it is.
QString absolute(const QString& iconFile)
{
    return iconFile.startsWith(kStoredPrefix) ? iconFile : QFileInfo(iconFile).absoluteFilePath();
}

// Formats of 32, 64 or 128 bits a pixel without a colour table are stored as they are:
// their rows need no padding, so the pixels are one block.
bool storableFormat(qint32 format)
{
    if (format <= QImage::Format_Invalid || format >= QImage::NImageFormats)
        return false;
    const QPixelFormat pixel = QImage::toPixelFormat(QImage::Format(format));
    const int bits = pixel.bitsPerPixel();
    return (bits == 32 || bits == 64 || bits == 128) && pixel.colorModel() != QPixelFormat::Indexed;
}

// The image in a format stored as it is; others (a colour table, 8 bits a channel packed
// in fewer bytes) become 32-bit pixels, as their pixmaps would anyway.
QImage storable(const QImage& image)
{
    if (storableFormat(image.format()))
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

bool cacheable(const QList<QImage>& images)
{
    if (quint32(images.size()) > MaxImagesPerFile)
        return false;
    for (const QImage& image : images)
        if (image.isNull() || image.width() > MaxSide || image.height() > MaxSide)
            return false;
    return true;
}

void writeImage(QDataStream& out, const QImage& image)
{
    out << qint32(image.format()) << qint32(image.width()) << qint32(image.height());
    out.writeRawData(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes()));
}

std::optional<QImage> readImage(QDataStream& in)
{
    qint32 format = 0;
    qint32 width = 0;
    qint32 height = 0;
    in >> format >> width >> height;
    if (in.status() != QDataStream::Ok || !storableFormat(format) || width <= 0 || height <= 0 ||
        width > MaxSide || height > MaxSide)
        return std::nullopt;
    QImage image(width, height, QImage::Format(format));
    if (image.isNull() || image.bytesPerLine() != qsizetype(width) * image.depth() / 8)
        return std::nullopt;
    const int bytes = int(image.sizeInBytes());
    if (in.readRawData(reinterpret_cast<char*>(image.bits()), bytes) != bytes)
        return std::nullopt;
    return image;
}
} // namespace

QString IconCache::defaultFile(bool dense)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (folder.isEmpty())
        return {};
    // One cache per installation: the launcher and the administrator beside it share it,
    // another installation's catalogue does not displace it.
    const QByteArray installation =
        QCryptographicHash::hash(QCoreApplication::applicationDirPath().toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    // A dense screen's icons hold every image of their files, not only the nearest one.
    return folder + QStringLiteral("/Kestrel/icons-") + QString::fromLatin1(installation) +
           (dense ? QStringLiteral("-dense.cache") : QStringLiteral(".cache"));
}

IconCache::IconCache(QString file) : mFile(std::move(file)) {}

QString IconCache::stamp(const QString& iconFile)
{
    // The content, not the file's times: an icon file rewritten within the times'
    // resolution, or put back with its old times, is still seen as changed.
    const QFileInfo info(iconFile);
    if (!info.exists())
        return QStringLiteral("missing");
    // Devices and pipes are not cached: reading one for its digest could block.
    if (!info.isFile())
        return {};
    QFile file(iconFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unreadable");
    const QByteArray content = file.read(MaxFileBytes + 1);
    if (content.size() > MaxFileBytes)
        return {};
    return QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha1).toHex());
}

QString IconCache::storedKey(const QString& digest)
{
    return kStoredPrefix + digest;
}

QString IconCache::storedDigest(const QString& key)
{
    return key.startsWith(kStoredPrefix) ? key.mid(kStoredPrefix.size()) : QString();
}

void IconCache::load()
{
    mLoaded.clear();
    if (mFile.isEmpty() || !ownFolder(mFile))
        return;
    // Not through a link, and nothing but a regular file is read: a FIFO would block.
    QString error;
    QFile file;
    if (!platform::openRegularForReading(file, mFile, false, error))
        return;
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0;
    quint32 version = 0;
    quint32 count = 0;
    in >> magic >> version >> count;
    if (in.status() != QDataStream::Ok || magic != Magic || version != Version)
        return;
    QHash<QString, Entry> loaded;
    qint64 bytes = 0;
    for (quint32 i = 0; i < count; ++i) {
        QString path;
        Entry entry;
        quint32 images = 0;
        in >> path >> entry.stamp >> images;
        if (in.status() != QDataStream::Ok || images > MaxImagesPerFile)
            return;
        for (quint32 j = 0; j < images; ++j) {
            std::optional<QImage> image = readImage(in);
            if (!image)
                return;
            bytes += image->sizeInBytes();
            if (bytes > MaxCacheBytes)
                return;
            entry.images.append(*image);
        }
        loaded.insert(path, std::move(entry));
    }
    mLoaded = std::move(loaded);
}

std::optional<QList<QImage>> IconCache::take(const QString& iconFile, const QString& stamp)
{
    const QString path = absolute(iconFile);
    const auto found = mLoaded.constFind(path);
    if (stamp.isEmpty() || found == mLoaded.cend() || found->stamp != stamp)
        return std::nullopt;
    mUsedBytes += pixelBytes(found->images);
    mUsed.insert(path, *found);
    return found->images;
}

void IconCache::insert(const QString& iconFile, const QString& stamp, const QList<QImage>& images)
{
    if (stamp.isEmpty() || !cacheable(images))
        return;
    Entry entry{stamp, {}};
    for (const QImage& image : images)
        entry.images.append(storable(image));
    const qint64 bytes = pixelBytes(entry.images);
    if (mUsedBytes + bytes > MaxCacheBytes)
        return;
    mUsedBytes += bytes;
    mUsed.insert(absolute(iconFile), std::move(entry));
    mChanged = true;
}

void IconCache::save()
{
    // Entries no longer used are dropped, so the file holds one fill's icons.
    if (mFile.isEmpty() || (!mChanged && mUsed.size() == mLoaded.size()))
        return;
    QDir().mkpath(QFileInfo(mFile).absolutePath());
    // A link or anything but a regular file in the cache's place is left as it is; the new
    // file is written beside it and renamed over it, which never follows a link.
    struct stat st
    {
    };
    if (!ownFolder(mFile) ||
        (::lstat(QFile::encodeName(mFile).constData(), &st) == 0 && !S_ISREG(st.st_mode)))
        return;
    QTemporaryFile file(mFile + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return;
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_0);
    out << Magic << Version << quint32(mUsed.size());
    for (auto entry = mUsed.cbegin(); entry != mUsed.cend(); ++entry) {
        out << entry.key() << entry->stamp << quint32(entry->images.size());
        for (const QImage& image : entry->images)
            writeImage(out, image);
    }
    if (out.status() != QDataStream::Ok || !file.flush() ||
        ::rename(QFile::encodeName(file.fileName()).constData(),
                 QFile::encodeName(mFile).constData()) != 0)
        return;
    file.setAutoRemove(false);
    mLoaded = mUsed;
    mChanged = false;
}
