// Where the report's pieces sit on the page, in printer pixels, from nothing but the printer's
// resolution and printable size: the same numbers for a real printer and a PDF file.
#pragma once

#include <QFont>
#include <QRect>

// A plot rectangle as the print routines use it: right = left + width, bottom = top + height.
struct PlotRect {
    int L = 0;
    int T = 0;
    int R = 0;
    int B = 0;
    int Width() const { return R - L; }
    int Height() const { return B - T; }
    QRect ToQRect() const { return QRect(L, T, R - L, B - T); }
};

struct PageGeometry {
    int marginLeft = 0; // L
    int marginTop = 0;  // T
    int blockWidth = 0; // GW: the graph block
    int blockHeight = 0;
    int plotWidth = 0; // PW, PH: each plot and the print bitmap
    int plotHeight = 0;
    PlotRect wave; // empty without the waveform graph
    PlotRect spectrum;
    int textX = 0; // top-left of the first summary line
    int textY = 0;
};

// Millimetres to printer pixels, truncated.
int MmToPixels(double mm, int dpi);
// Pixel height of a font of `points` at `dpi`, rounded as the platform's point-to-pixel rule.
int FontPixels(int points, int dpi);

PageGeometry ComputePageGeometry(int dpiX, int dpiY, int pageWmm, int pageHmm, bool landscape,
                                 bool waveGraph);

// The summary font (12 points) and the step from one summary line to the next (1.5 lines).
inline constexpr int kSummaryFontPoints = 12;
inline constexpr int kAxisFontPoints = 9;
int SummaryLineStep(int dpiY);

// The axis labels' sizes are window pixels of a font sized in pixels for a 96-dpi screen; the
// text scale turns them into printer pixels.
inline constexpr double kScreenDpi = 96.0;
inline double TextScale(int dpiY) {
    return dpiY / kScreenDpi;
}

// The font of the printed texts: the family of the window's font at `points` on a `dpi` device.
QFont PrintFont(const QFont& windowFont, int points, int dpi);
