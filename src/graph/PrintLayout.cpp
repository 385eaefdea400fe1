#include "graph/PrintLayout.h"

#include <cmath>
#include <cstdlib>

int MmToPixels(double mm, int dpi) {
    return static_cast<int>(mm * dpi / 25.4);
}

int FontPixels(int points, int dpi) {
    return static_cast<int>(std::lround(double(points) * dpi / 72.0));
}

int SummaryLineStep(int dpiY) {
    return static_cast<int>(std::fabs(FontPixels(kSummaryFontPoints, dpiY) * 1.5));
}

PageGeometry ComputePageGeometry(int dpiX, int dpiY, int pageWmm, int pageHmm, bool landscape,
                                 bool waveGraph) {
    auto mmX = [&](double d) { return MmToPixels(d, dpiX); };
    auto mmY = [&](double d) { return MmToPixels(d, dpiY); };
    PageGeometry g;
    g.marginLeft = mmX(5);
    g.marginTop = landscape ? mmY(15) : mmY(5);
    g.blockWidth = landscape ? mmX(pageHmm - 20) : mmX(pageWmm - 10);
    g.blockHeight = g.blockWidth * 3 / 4;
    if (landscape) {
        g.textX = g.marginLeft + g.blockWidth + mmX(15);
        g.textY = g.marginTop;
    } else {
        g.textX = g.marginLeft + mmX(15);
        g.textY = g.marginTop + g.blockHeight + mmY(15);
    }
    const int left = g.marginLeft + mmX(15); // a 15 mm column for the dB and voltage texts
    g.plotWidth = g.blockWidth - mmX(15);
    const int right = left + g.plotWidth;
    if (waveGraph) {
        g.plotHeight = g.blockHeight / 2 - mmY(10);
        g.wave = {left, g.marginTop, right, g.marginTop + g.plotHeight};
        const int top = g.marginTop + g.plotHeight + mmY(10);
        g.spectrum = {left, top, right, top + g.plotHeight};
    } else {
        g.plotHeight = g.blockHeight - mmY(10);
        g.spectrum = {left, g.marginTop, right, g.marginTop + g.plotHeight};
    }
    return g;
}

QFont PrintFont(const QFont& windowFont, int points, int dpi) {
    QFont f(windowFont);
    f.setPixelSize(FontPixels(points, dpi));
    return f;
}
