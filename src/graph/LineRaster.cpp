#include "graph/LineRaster.h"

#include "common/VectorState.h"

#include <algorithm>
#include <cmath>

void GraphBitmap::SetSize(int w, int h) {
    w = std::max(w, 1);
    h = std::max(h, 1);
    if (image.width() != w || image.height() != h) {
        image = QImage(w, h, QImage::Format_RGB32);
        image.fill(PixelFromColorRef(kColorWhite));
    }
}

void GraphBitmap::FillWhite() {
    image.fill(PixelFromColorRef(kColorWhite));
    ClearUpperVectorState(); // the curves' arithmetic follows (common/VectorState.h)
}

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { // b > 0
    int64_t q = a / b;
    if ((a % b != 0) && (a < 0)) {
        --q;
    }
    return q;
}
int64_t CeilDiv(int64_t a, int64_t b) {
    return -FloorDiv(-a, b);
}

// Range of steps k (0 <= k < steps) whose major coordinate a0 + sa*k lies in [0, size).
void MajorRange(int a0, int sa, int size, int64_t& lo, int64_t& hi) {
    if (sa > 0) {
        lo = -static_cast<int64_t>(a0);
        hi = static_cast<int64_t>(size) - 1 - a0;
    } else {
        lo = static_cast<int64_t>(a0) - (size - 1);
        hi = a0;
    }
}

// Step k puts the minor coordinate at b0 + sb*q(k), q(k) = floor((2k*dmin + dmaj) / (2*dmaj)),
// i.e. the exact line rounded half up. Narrows [lo, hi] to the steps with it inside [0, size).
bool NarrowByMinor(int b0, int sb, int size, int64_t dmaj, int64_t dmin, int64_t& lo, int64_t& hi) {
    int64_t qa, qb;
    if (sb > 0) {
        qa = -static_cast<int64_t>(b0);
        qb = static_cast<int64_t>(size) - 1 - b0;
    } else {
        qa = static_cast<int64_t>(b0) - (size - 1);
        qb = b0;
    }
    if (dmin == 0) {
        return qa <= 0 && 0 <= qb;
    }
    lo = std::max(lo, CeilDiv(2 * dmaj * qa - dmaj, 2 * dmin));
    hi = std::min(hi, CeilDiv(2 * dmaj * (qb + 1) - dmaj, 2 * dmin) - 1);
    return true;
}

} // namespace

LinePen::LinePen(GraphBitmap& bitmap, int32_t colorRef, RasterMode mode)
    : bmp_(bitmap), pixel_(PixelFromColorRef(colorRef)), bits_(pixel_ & 0x00ffffffu), mode_(mode) {
    w_ = bmp_.image.width();
    h_ = bmp_.image.height();
    if (bmp_.penWidth > 1) {
        wide_ = std::make_unique<QPainter>(&bmp_.image);
        wide_->setRenderHint(QPainter::Antialiasing, false);
        QPen pen{QColor::fromRgb(pixel_)};
        pen.setWidth(bmp_.penWidth);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        wide_->setPen(pen);
        switch (mode_) {
        case RasterMode::Copy:
            wide_->setCompositionMode(QPainter::CompositionMode_Source);
            break;
        case RasterMode::Mask:
            wide_->setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            break;
        case RasterMode::Xor:
            wide_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            break;
        }
    } else {
        data_ = bmp_.image.bits();
        stride_ = bmp_.image.bytesPerLine();
    }
}

LinePen::~LinePen() = default;

void LinePen::SetColor(int32_t colorRef) {
    pixel_ = PixelFromColorRef(colorRef);
    bits_ = pixel_ & 0x00ffffffu;
    if (wide_) {
        QPen pen = wide_->pen();
        pen.setColor(QColor::fromRgb(pixel_));
        wide_->setPen(pen);
    }
}

void LinePen::Line(int x0, int y0, int x1, int y1) {
    if (wide_) {
        WideLine(x0, y0, x1, y1);
        return;
    }
    switch (mode_) {
    case RasterMode::Copy:
        ThinLine<RasterMode::Copy>(x0, y0, x1, y1);
        break;
    case RasterMode::Mask:
        ThinLine<RasterMode::Mask>(x0, y0, x1, y1);
        break;
    case RasterMode::Xor:
        ThinLine<RasterMode::Xor>(x0, y0, x1, y1);
        break;
    }
}

void LinePen::WideLine(int x0, int y0, int x1, int y1) {
    if (x0 == x1 && y0 == y1) {
        return;
    }
    wide_->drawLine(x0, y0, x1, y1);
}

template <RasterMode M> void LinePen::ThinLine(int x0, int y0, int x1, int y1) {
    const int64_t dx = static_cast<int64_t>(x1) - x0;
    const int64_t dy = static_cast<int64_t>(y1) - y0;
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) {
        return;
    }
    const int sx = dx < 0 ? -1 : 1;
    const int sy = dy < 0 ? -1 : 1;
    const bool xMajor = adx >= ady;
    const int64_t dmaj = xMajor ? adx : ady;
    const int64_t dmin = xMajor ? ady : adx;

    // Both ends inside the bitmap (nearly every segment of a curve): every step lies between
    // them, so nothing is clipped and the walk starts at step 0 without any division.
    if (Inside(x0, y0) && Inside(x1, y1)) {
        Walk<M>(x0, y0, sx, sy, xMajor, dmaj, dmin, 0, dmaj - 1);
        return;
    }
    int64_t lo, hi;
    if (xMajor) {
        MajorRange(x0, sx, w_, lo, hi);
        if (!NarrowByMinor(y0, sy, h_, dmaj, dmin, lo, hi)) {
            return;
        }
    } else {
        MajorRange(y0, sy, h_, lo, hi);
        if (!NarrowByMinor(x0, sx, w_, dmaj, dmin, lo, hi)) {
            return;
        }
    }
    lo = std::max<int64_t>(lo, 0);
    hi = std::min<int64_t>(hi, dmaj - 1); // the end point is not drawn
    if (lo > hi) {
        return;
    }
    Walk<M>(x0, y0, sx, sy, xMajor, dmaj, dmin, lo, hi);
}

template <RasterMode M>
void LinePen::Walk(int x0, int y0, int sx, int sy, bool xMajor, int64_t dmaj, int64_t dmin,
                   int64_t lo, int64_t hi) {
    const int64_t twoMaj = 2 * dmaj;
    const int64_t twoMin = 2 * dmin;
    int64_t q = 0;
    int64_t r = dmaj;
    if (lo > 0) {
        const int64_t num = lo * twoMin + dmaj;
        q = num / twoMaj;
        r = num % twoMaj;
    }
    int x, y;
    if (xMajor) {
        x = static_cast<int>(x0 + sx * lo);
        y = static_cast<int>(y0 + sy * q);
    } else {
        y = static_cast<int>(y0 + sy * lo);
        x = static_cast<int>(x0 + sx * q);
    }
    // Pixel pointer steps along the major and minor axes.
    const qsizetype rowStep = sy * stride_ / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* p = reinterpret_cast<QRgb*>(data_ + y * stride_) + x;
    const qsizetype majStep = xMajor ? sx : rowStep;
    const qsizetype minStep = xMajor ? rowStep : sx;
    const QRgb pixel = pixel_;
    const uint32_t bits = bits_;
    for (int64_t k = lo; k <= hi; ++k) {
        Put<M>(p, pixel, bits);
        p += majStep;
        r += twoMin;
        if (r >= twoMaj) {
            r -= twoMaj;
            p += minStep;
        }
    }
}

PolylinePen::PolylinePen(GraphBitmap& bitmap, int32_t colorRef, RasterMode mode)
    : pen_(bitmap, colorRef, mode), bmp_(bitmap), pixel_(PixelFromColorRef(colorRef)), mode_(mode),
      gather_(bitmap.penWidth <= 1 && mode != RasterMode::Xor) {
    if (gather_) {
        data_ = bmp_.image.bits();
        stride_ = bmp_.image.bytesPerLine();
        w_ = bmp_.Width();
        h_ = bmp_.Height();
    }
}

void PolylinePen::LinesTo(const int* xs, const int* ys, int n) {
    if (!gather_) {
        for (int i = 0; i < n; ++i) {
            pen_.Line(x_, y_, xs[i], ys[i]);
            x_ = xs[i];
            y_ = ys[i];
        }
        return;
    }
    // The joint and the run in locals: the loop then carries them in registers.
    int x = x_, y = y_, lo = runLo_, hi = runHi_;
    for (int i = 0; i < n; ++i) {
        const int nx = xs[i];
        const int ny = ys[i];
        if (nx == x) {
            // The segment covers y up to the pixel before ny, nothing when ny is y; the run
            // stays one interval, since every segment starts at or next to the pixels the run
            // already holds.
            const bool up = ny > y;
            const bool none = ny == y;
            const int segLo = none ? kNoRunLo : up ? y : ny + 1;
            const int segHi = none ? kNoRunHi : up ? ny - 1 : y;
            lo = segLo < lo ? segLo : lo;
            hi = segHi > hi ? segHi : hi;
        } else {
            x_ = x;
            runLo_ = lo;
            runHi_ = hi;
            Flush();
            pen_.Line(x, y, nx, ny);
            lo = kNoRunLo;
            hi = kNoRunHi;
        }
        x = nx;
        y = ny;
    }
    x_ = x;
    y_ = y;
    runLo_ = lo;
    runHi_ = hi;
}

void PolylinePen::Flush() {
    if (runLo_ > runHi_) {
        return;
    }
    const int lo = std::max(runLo_, 0);
    const int hi = std::min(runHi_, h_ - 1);
    runLo_ = kNoRunLo;
    runHi_ = kNoRunHi;
    if (x_ < 0 || x_ >= w_ || lo > hi) {
        return;
    }
    uchar* row = data_ + lo * stride_ + x_ * qsizetype{sizeof(QRgb)};
    for (int y = lo; y <= hi; ++y, row += stride_) {
        QRgb* p = reinterpret_cast<QRgb*>(row);
        if (mode_ == RasterMode::Copy) {
            *p = pixel_;
        } else {
            *p &= pixel_; // the pixel value carries the alpha byte, which stays
        }
    }
}
