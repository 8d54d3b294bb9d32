#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

// Kestrel's artwork, compiled into kestrel_resources (see resources/make-artwork.sh).
namespace kestrel_resources {
inline constexpr char LogoPath[] = ":/kestrel/logo.png";           // 200x42
inline constexpr char RulePath[] = ":/kestrel/rule.png";           // 207x2
inline constexpr char PointerPath[] = ":/kestrel/pointer.png";     // 32x32, hot spot (10,1)
inline constexpr char DefaultIconPath[] = ":/kestrel/Default.ico"; // 16, 32, 48, 256
inline constexpr int PointerHotX = 10;
inline constexpr int PointerHotY = 1;

// One of the PNG pictures above, from the pixels compiled in beside it (ArtworkPixels.h);
// any other PNG resource is read without Qt probing its image plug-ins.
QPixmap picture(const QString& path);
// Window icons of the two programs, 32 and 64 pixels.
QIcon launcherIcon();
QIcon adminIcon();
// The pointing hand shown over the command labels.
QCursor commandPointer();
} // namespace kestrel_resources
