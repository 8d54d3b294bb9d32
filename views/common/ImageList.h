#pragma once

#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>

// Pictures keyed by program name. Indexes are 1-based; 0 means "no image". The first
// picture added under a key keeps it, and lookups go through a hash, so filling and
// looking up stay linear in the number of programs.
class ImageList
{
public:
    // Adds the picture under key unless the key is taken; answers the picture's index,
    // or 0 when the key was already used.
    qint32 Add(const QString& key, const QIcon& picture);
    qint32 indexOf(const QString& key) const { return mIndexByKey.value(key, 0); }
    QIcon image(qint32 index) const;
    QString key(qint32 index) const;
    qint32 Count() const { return qint32(mImages.size()); }
    void Clear();

private:
    QList<QIcon> mImages;
    QList<QString> mKeys;
    QHash<QString, qint32> mIndexByKey;
};
