// Straight pixel lines on a GraphBitmap, drawn the way the graphs need them: from the start
// point up to but not including the end point (a polyline touches each joint once), never
// antialiased, clipped to the bitmap, with copy, mask (AND) or xor raster modes.
#pragma once

#include "graph/GraphBitmap.h"

#include <QPainter>
#include <memory>

// Converts a floating-point screen coordinate to a pixel by truncation toward zero, held far
// enough inside the int range that line arithmetic cannot overflow.
int TruncToPixel(double v);

class LinePen {
public:
    // Draws with the bitmap's current pen width; the bitmap must outlive the pen.
    LinePen(GraphBitmap& bitmap, int32_t colorRef, RasterMode mode);
    ~LinePen();
    LinePen(const LinePen&) = delete;
    LinePen& operator=(const LinePen&) = delete;

    void Line(int x0, int y0, int x1, int y1);
    // Changes the colour; the raster mode and width stay.
    void SetColor(int32_t colorRef);

private:
    template <RasterMode M> void ThinLine(int x0, int y0, int x1, int y1);
    void WideLine(int x0, int y0, int x1, int y1);

    GraphBitmap& bmp_;
    QRgb pixel_;
    uint32_t bits_; // colour bits without alpha, for mask and xor
    RasterMode mode_;
    uchar* data_ = nullptr;
    qsizetype stride_ = 0;
    int w_ = 0;
    int h_ = 0;
    // Wide lines (printing only) go through QPainter with the matching raster operation.
    std::unique_ptr<QPainter> wide_;
};
