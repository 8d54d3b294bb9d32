#pragma once

#include "platform/ErrorNumbers.h"

#include <QIcon>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>

namespace platform {
// Loads a picture from an icon or image file (.ico, .png, .svg, .xpm, .bmp, ...), read
// as its suffix says, or recognised by content when that fails. From a file with several
// images (an .ico) only the one nearest to 32x32, the standard icon size, is decoded.
// Throws KestrelError, source "LoadPicture", naming the file: 53 when it does not exist,
// 75 when it cannot be read, 481 when it is empty or not a picture. A drawing (.svg) is
// drawn at that size, or for loadIcon at each usual icon size.
QPixmap loadPicture(const QString& path);

// The same checks, but every image of the file, for views that pick their size.
QIcon loadIcon(const QString& path);

// What loadPicture and loadIcon read, before it becomes pixmaps: these two touch no
// window-system object, so any thread may call them. Same checks and errors.
QImage readPicture(const QString& path);
QList<QImage> readIconImages(const QString& path);
// The same of a file's content held in memory (a picture the catalogue stores), path being
// the file's name: its suffix says the format to try first, and the errors name it.
QImage readPicture(const QByteArray& data, const QString& path);
QList<QImage> readIconImages(const QByteArray& data, const QString& path);

// An icon of those images (null for none), made on the window system's thread.
QIcon iconFromImages(const QList<QImage>& images);
} // namespace platform
