// The off-screen bitmaps the graphs are drawn into, and the one place where the settings'
// colour values become pixel values.
#pragma once

#include <QImage>
#include <cstdint>

// Colours in the settings records are 0x00BBGGRR (red in the low byte); bitmap pixels are
// 0xffRRGGBB. Every conversion goes through here.
inline constexpr QRgb PixelFromColorRef(int32_t colorRef) {
    const auto c = static_cast<uint32_t>(colorRef);
    return 0xff000000u | ((c & 0xffu) << 16) | (c & 0xff00u) | ((c >> 16) & 0xffu);
}
inline constexpr int32_t ColorRefFromPixel(QRgb pixel) {
    return static_cast<int32_t>(((pixel >> 16) & 0xffu) | (pixel & 0xff00u) |
                                ((pixel & 0xffu) << 16));
}

inline constexpr int32_t kColorWhite = 0xFFFFFF;
inline constexpr int32_t kColorBlack = 0x000000;
inline constexpr int32_t kColorSilver = 0xC0C0C0;

// How a pen combines with the pixels under it; mask and xor act on the 24 colour bits.
enum class RasterMode { Copy, Mask, Xor };

// A 24-bit drawing surface (stored as RGB32 with the top byte always 0xff) that remembers the
// pen width last set on it, as a canvas does: the print routines rely on that.
struct GraphBitmap {
    QImage image{1, 1, QImage::Format_RGB32};
    int penWidth = 1;

    int Width() const { return image.width(); }
    int Height() const { return image.height(); }
    // Resizes only when the size changes, so repeated layout passes allocate nothing.
    void SetSize(int w, int h);
    void FillWhite();
};
