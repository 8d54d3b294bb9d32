#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

// The program list's icons as decoded at the last fill, kept per user between starts: a
// start whose icon files are unchanged decodes none of them and loads no image decoder.
// An entry holds for as long as its icon file keeps the content it had when it was decoded
// (a file that was missing or broken is held as having no images). A cache file that is
// missing, damaged or of another version is ignored, and one that cannot be written is
// left out: the icons are then decoded as if there were no cache. Only a regular file in a
// folder of the process's own user is read or replaced; a link, a FIFO or a device in its
// place is neither followed, read nor replaced.
class IconCache
{
public:
    // The cache of the installation in the program's folder, for a dense screen or not, in
    // the user's cache folder; empty where the user has no cache folder.
    static QString defaultFile(bool dense);

    // An empty file name makes a cache that holds nothing and writes nothing.
    explicit IconCache(QString file);

    // Reads the entries of the cache file.
    void load();
    // The images held for the icon file, provided its stamp() is the one they were decoded
    // with. The entry is kept for the next save.
    std::optional<QList<QImage>> take(const QString& iconFile, const QString& stamp);
    // Keeps the images decoded from the icon file for the next save; stamp() taken before
    // the decode says which content they belong to.
    void insert(const QString& iconFile, const QString& stamp, const QList<QImage>& images);
    // Writes the entries taken or inserted since load, if they are not what was loaded.
    void save();

    // What the icon file holds (a digest of its content), or that it is missing or cannot
    // be read, as one comparable text; empty for a file too large to be cached.
    static QString stamp(const QString& iconFile);

    // A picture the catalogue stores is cached as an icon file is, under this key in the
    // place of the file's name, its digest (the same as a file's stamp) as its stamp.
    static QString storedKey(const QString& digest);
    // The digest of a storedKey; empty for an icon file's name.
    static QString storedDigest(const QString& key);

private:
    struct Entry
    {
        QString stamp;
        QList<QImage> images;
    };

    QString mFile;
    QHash<QString, Entry> mLoaded;
    QHash<QString, Entry> mUsed;
    qint64 mUsedBytes = 0;
    bool mChanged = false;
};
