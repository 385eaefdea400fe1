#include <gtest/gtest.h>

#include "graph/LineRaster.h"

#include <QPoint>
#include <algorithm>
#include <random>
#include <vector>

namespace {

constexpr int32_t kRed = 0x0000FF; // 0x00BBGGRR

int CountColour(const QImage& img, QRgb c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            n += img.pixel(x, y) == c;
        }
    }
    return n;
}

} // namespace

TEST(GraphColour, RedIsTheLowByteOfTheSettingsValue) {
    EXPECT_EQ(PixelFromColorRef(0x0000FF), qRgb(255, 0, 0));
    EXPECT_EQ(PixelFromColorRef(0xFF0000), qRgb(0, 0, 255));
    EXPECT_EQ(PixelFromColorRef(0x123456), qRgb(0x56, 0x34, 0x12));
    EXPECT_EQ(ColorRefFromPixel(qRgb(0x56, 0x34, 0x12)), 0x123456);
}

TEST(LinePen, DrawsUpToButNotIncludingTheEndPoint) {
    GraphBitmap bmp;
    bmp.SetSize(20, 10);
    bmp.FillWhite();
    {
        LinePen pen(bmp, kRed, RasterMode::Copy);
        pen.Line(2, 3, 7, 3);   // horizontal: x = 2..6
        pen.Line(9, 1, 9, 1);   // zero length: nothing
        pen.Line(12, 8, 12, 5); // upward vertical: y = 8, 7, 6
    }
    const QRgb red = PixelFromColorRef(kRed);
    for (int x = 2; x <= 6; ++x) {
        EXPECT_EQ(bmp.image.pixel(x, 3), red) << x;
    }
    EXPECT_NE(bmp.image.pixel(7, 3), red);
    EXPECT_NE(bmp.image.pixel(9, 1), red);
    EXPECT_EQ(bmp.image.pixel(12, 8), red);
    EXPECT_EQ(bmp.image.pixel(12, 6), red);
    EXPECT_NE(bmp.image.pixel(12, 5), red);
    EXPECT_EQ(CountColour(bmp.image, red), 8);
}

TEST(LinePen, PolylineXorTouchesEachJointOnce) {
    GraphBitmap bmp;
    bmp.SetSize(30, 30);
    bmp.FillWhite();
    {
        LinePen pen(bmp, 0xFFFFFF, RasterMode::Xor);
        pen.Line(1, 1, 10, 4);
        pen.Line(10, 4, 12, 20);
        pen.Line(12, 20, 25, 20);
    }
    // Had a joint been drawn twice it would be white again.
    EXPECT_EQ(bmp.image.pixel(10, 4), qRgb(0, 0, 0));
    EXPECT_EQ(bmp.image.pixel(12, 20), qRgb(0, 0, 0));
    EXPECT_EQ(bmp.image.pixel(25, 20), qRgb(255, 255, 255));
}

TEST(LinePen, ClippedLinesHitExactlyThePixelsOfTheUnclippedLine) {
    // Reference: the same lines on a canvas large enough to need no clipping, cut down.
    constexpr int kW = 40, kH = 30, kMargin = 200;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-150, 180);
    for (int trial = 0; trial < 400; ++trial) {
        const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
        GraphBitmap small, big;
        small.SetSize(kW, kH);
        big.SetSize(kW + 2 * kMargin, kH + 2 * kMargin);
        small.FillWhite();
        big.FillWhite();
        {
            LinePen a(small, kRed, RasterMode::Copy);
            a.Line(x0, y0, x1, y1);
            LinePen b(big, kRed, RasterMode::Copy);
            b.Line(x0 + kMargin, y0 + kMargin, x1 + kMargin, y1 + kMargin);
        }
        const QImage cut = big.image.copy(kMargin, kMargin, kW, kH);
        ASSERT_EQ(small.image, cut) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
    // Far-away end points (levels far above the top of a graph) stay exact and fast.
    GraphBitmap bmp;
    bmp.SetSize(100, 50);
    bmp.FillWhite();
    {
        LinePen pen(bmp, kRed, RasterMode::Copy);
        pen.Line(10, 25, 11, -90000000);
        pen.Line(-90000000, 10, 90000000, 10);
    }
    EXPECT_EQ(bmp.image.pixel(10, 25), PixelFromColorRef(kRed));
    EXPECT_EQ(bmp.image.pixel(0, 10), PixelFromColorRef(kRed));
    EXPECT_EQ(bmp.image.pixel(99, 10), PixelFromColorRef(kRed));
}

TEST(LinePen, MaskAndXorActOnTheColourBits) {
    GraphBitmap bmp;
    bmp.SetSize(10, 3);
    bmp.image.fill(PixelFromColorRef(0x3C5A96));
    {
        LinePen mask(bmp, 0x0F0FF0, RasterMode::Mask);
        mask.Line(0, 0, 10, 0);
    }
    {
        LinePen x(bmp, 0x0F0FF0, RasterMode::Xor);
        x.Line(0, 1, 10, 1);
    }
    EXPECT_EQ(bmp.image.pixel(4, 0), PixelFromColorRef(0x3C5A96 & 0x0F0FF0));
    EXPECT_EQ(bmp.image.pixel(4, 1), PixelFromColorRef(0x3C5A96 ^ 0x0F0FF0));
    EXPECT_EQ(bmp.image.pixel(4, 2), PixelFromColorRef(0x3C5A96));
}

TEST(LinePen, WidePensKeepTheRasterModes) {
    GraphBitmap bmp;
    bmp.SetSize(40, 40);
    bmp.FillWhite();
    bmp.penWidth = 5;
    {
        LinePen x(bmp, 0x123456, RasterMode::Xor);
        x.Line(5, 20, 35, 20);
    }
    // The middle of a 5-pixel line: the complement on white, the row 2 away still covered.
    EXPECT_EQ(bmp.image.pixel(20, 20), PixelFromColorRef(0xFFFFFF ^ 0x123456));
    EXPECT_EQ(bmp.image.pixel(20, 18), PixelFromColorRef(0xFFFFFF ^ 0x123456));
    EXPECT_EQ(bmp.image.pixel(20, 14), PixelFromColorRef(0xFFFFFF));
    EXPECT_EQ(qAlpha(bmp.image.pixel(20, 20)), 255);
}

TEST(TruncToPixel, TruncatesTowardZeroAndStaysInRange) {
    EXPECT_EQ(TruncToPixel(2.9), 2);
    EXPECT_EQ(TruncToPixel(-2.9), -2);
    EXPECT_EQ(TruncToPixel(1e30), 100000000);
    EXPECT_EQ(TruncToPixel(-1e30), -100000000);
}

namespace {

// A polyline through random joints, many of them sharing a column, some far outside.
std::vector<QPoint> RandomPolyline(std::mt19937& rng, int w, int h, int joints) {
    std::uniform_int_distribution<int> dice(0, 99);
    std::uniform_int_distribution<int> col(-3, w + 2);
    std::uniform_int_distribution<int> row(-5, h + 4);
    std::uniform_int_distribution<int> far(-100000, 100000);
    std::vector<QPoint> pts{{col(rng), row(rng)}};
    for (int i = 1; i < joints; ++i) {
        QPoint p = pts.back();
        const int d = dice(rng);
        if (d < 60) {
            p.setY(row(rng)); // same column
        } else if (d < 65) {
            p.setY(far(rng));
        } else if (d < 90) {
            p = {p.x() + (d % 3) - 1, row(rng)};
        } else {
            p = {col(rng), row(rng)};
        }
        pts.push_back(p);
    }
    return pts;
}

} // namespace

TEST(PolylinePen, HitsThePixelsOfItsSegmentsDrawnOneByOne) {
    constexpr int kW = 23, kH = 17;
    std::mt19937 rng(11);
    for (RasterMode mode : {RasterMode::Copy, RasterMode::Mask, RasterMode::Xor}) {
        for (int trial = 0; trial < 300; ++trial) {
            const std::vector<QPoint> pts = RandomPolyline(rng, kW, kH, 2 + trial % 40);
            GraphBitmap joined, single;
            for (GraphBitmap* b : {&joined, &single}) {
                b->SetSize(kW, kH);
                b->image.fill(PixelFromColorRef(0x5A3CC3));
            }
            {
                // Joint by joint, or in batches of a few joints.
                PolylinePen pen(joined, 0x0FF00F, mode);
                pen.MoveTo(pts[0].x(), pts[0].y());
                std::vector<int> xs, ys;
                for (const QPoint& p : pts) {
                    xs.push_back(p.x());
                    ys.push_back(p.y());
                }
                for (size_t i = 1; i < pts.size();) {
                    const size_t n =
                        std::min<size_t>(pts.size() - i, trial % 2 ? 1 : 1 + rng() % 9);
                    pen.LinesTo(&xs[i], &ys[i], static_cast<int>(n));
                    i += n;
                }
            }
            {
                LinePen pen(single, 0x0FF00F, mode);
                for (size_t i = 1; i < pts.size(); ++i) {
                    pen.Line(pts[i - 1].x(), pts[i - 1].y(), pts[i].x(), pts[i].y());
                }
            }
            ASSERT_EQ(joined.image, single.image) << int(mode) << " trial " << trial;
        }
    }
}

TEST(PolylinePen, AMoveStartsANewCurve) {
    GraphBitmap bmp;
    bmp.SetSize(10, 10);
    bmp.FillWhite();
    {
        PolylinePen pen(bmp, kRed, RasterMode::Copy);
        pen.MoveTo(3, 1);
        pen.LineTo(3, 4); // rows 1..3
        pen.MoveTo(3, 8); // not joined to (3, 4)
        pen.LineTo(3, 6); // rows 8, 7
    }
    const QRgb red = PixelFromColorRef(kRed);
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(bmp.image.pixel(3, y) == red, (y >= 1 && y <= 3) || y == 7 || y == 8) << y;
    }
}
