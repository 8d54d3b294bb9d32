#include "views/common/ImageList.h"

qint32 ImageList::Add(const QString& key, const QIcon& picture)
{
    if (mIndexByKey.contains(key))
        return 0;
    mImages.append(picture);
    mKeys.append(key);
    const qint32 index = qint32(mImages.size());
    mIndexByKey.insert(key, index);
    return index;
}

QIcon ImageList::image(qint32 index) const
{
    return index >= 1 && index <= mImages.size() ? mImages.at(index - 1) : QIcon();
}

QString ImageList::key(qint32 index) const
{
    return index >= 1 && index <= mKeys.size() ? mKeys.at(index - 1) : QString();
}

void ImageList::Clear()
{
    mImages.clear();
    mKeys.clear();
    mIndexByKey.clear();
}
