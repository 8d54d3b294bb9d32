#pragma once

#include <QtGlobal>

// The PNG artwork as pixels (32-bit premultiplied ARGB, rows without padding), generated
// at build time by kestrel-artwork-pixels.
namespace kestrel_resources {
struct ArtworkPixels
{
    const char* path; // the PNG's resource path
    int width;
    int height;
    const quint32* pixels;
};
extern const ArtworkPixels artworkPixels[];
extern const int artworkPixelsCount;
} // namespace kestrel_resources
