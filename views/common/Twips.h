#pragma once

#include <QRect>
#include <QtMath>

// Layouts are designed in twips; the screen is taken at 15 twips per pixel.
namespace twips {
constexpr int PerPixel = 15;
inline int px(int twips)
{
    return qRound(double(twips) / PerPixel);
}
inline QRect rect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}
} // namespace twips
