// Straight pixel lines on a GraphBitmap, drawn the way the graphs need them: from the start
// point up to but not including the end point (a polyline touches each joint once), never
// antialiased, clipped to the bitmap, with copy, mask (AND) or xor raster modes.
#pragma once

#include "graph/GraphBitmap.h"

#include <QPainter>
#include <climits>
#include <memory>

// Converts a floating-point screen coordinate to a pixel by truncation toward zero, held far
// enough inside the int range that line arithmetic cannot overflow (NaN goes to the low
// limit). The two selects are the processor's maximum and minimum, so that loops over whole
// curves vectorise.
inline int TruncToPixel(double v) {
    constexpr double kLimit = 100000000.0;
    v = v > -kLimit ? v : -kLimit; // false for NaN as well
    v = v < kLimit ? v : kLimit;
    return static_cast<int>(v);
}

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
    // Steps lo..hi of a line from (x0, y0): step k lies k along the major axis and the exact
    // line rounded half up along the minor one.
    template <RasterMode M>
    void Walk(int x0, int y0, int sx, int sy, bool xMajor, int64_t dmaj, int64_t dmin, int64_t lo,
              int64_t hi);
    bool Inside(int x, int y) const {
        return static_cast<unsigned>(x) < static_cast<unsigned>(w_) &&
               static_cast<unsigned>(y) < static_cast<unsigned>(h_);
    }
    template <RasterMode M> static void Put(QRgb* p, QRgb pixel, uint32_t bits) {
        if constexpr (M == RasterMode::Copy) {
            *p = pixel;
        } else if constexpr (M == RasterMode::Mask) {
            *p &= (bits | 0xff000000u);
        } else {
            *p ^= bits;
        }
    }
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

// A polyline drawn joint by joint with a LinePen: the same pixels as a Line from each joint to
// the next. With a one-pixel pen in copy or mask mode a pixel comes out the same however often
// it is drawn, so the segments that stay in one column (thousands per column for a long block)
// are gathered into one run of that column, drawn when the curve leaves it. Xor and wide pens
// draw every segment as it comes.
class PolylinePen {
public:
    PolylinePen(GraphBitmap& bitmap, int32_t colorRef, RasterMode mode);
    ~PolylinePen() { Flush(); }
    PolylinePen(const PolylinePen&) = delete;
    PolylinePen& operator=(const PolylinePen&) = delete;

    // The first joint.
    void MoveTo(int x, int y) {
        Flush();
        x_ = x;
        y_ = y;
    }
    // A segment from the last joint to (x, y), up to but not including (x, y).
    void LineTo(int x, int y) { LinesTo(&x, &y, 1); }
    // Segments on through the joints (xs[i], ys[i]), i = 0 .. n-1.
    void LinesTo(const int* xs, const int* ys, int n);

private:
    void Flush();

    LinePen pen_;
    GraphBitmap& bmp_;
    QRgb pixel_;
    RasterMode mode_;
    bool gather_;
    uchar* data_ = nullptr;
    qsizetype stride_ = 0;
    int w_ = 0;
    int h_ = 0;
    int x_ = 0;
    int y_ = 0;
    int runLo_ = kNoRunLo; // the gathered run of column x_; empty while runLo_ > runHi_
    int runHi_ = kNoRunHi;
    static constexpr int kNoRunLo = INT_MAX;
    static constexpr int kNoRunHi = INT_MIN;
};
