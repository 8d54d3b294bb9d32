#pragma once

#include <QFont>

namespace admin {
// The layouts were drawn for a small 8 pt face; a condensed 11-pixel face keeps every
// caption inside its given width.
inline QFont windowFont()
{
    QFont font;
    font.setPixelSize(11);
    font.setStretch(QFont::SemiCondensed);
    return font;
}
} // namespace admin
