#include "analysisview/PlotFrame.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "common/WindowFont.h"

namespace PlotFrame {

namespace {
constexpr int kTickLength = 3;
constexpr int kLabelGap = 6; // least room between two tick labels
} // namespace

QRect PlotRect(QSize size) {
    const int w = std::max(0, size.width() - kLeftMargin - kRightMargin);
    const int h = std::max(0, size.height() - kTopMargin - kBottomMargin);
    return QRect(kLeftMargin, kTopMargin, w, h);
}

QFont Font() {
    QFont font;
    font.setFamilies(
        {QString::fromUtf8(kWindowFontFamily), QString::fromLatin1(kWindowFontFallback)});
    font.setPixelSize(kWindowFontPixels);
    return font;
}

double NiceStep(double rough, double floor) {
    rough = std::max(rough, floor);
    if (!(rough > 0.0) || !std::isfinite(rough)) {
        return 1.0;
    }
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        // A hair of tolerance keeps an exact 2 or 5 from rounding up to the next step.
        if (m * decade >= rough * (1.0 - 1e-12)) {
            return m * decade;
        }
    }
    return 10.0 * decade;
}

void PrepareImage(QImage& image) {
    if (image.format() != QImage::Format_RGB32) {
        image = image.convertToFormat(QImage::Format_RGB32);
    }
}

void FillColumn(QImage& image, int x, int top, int bottom, QRgb colour) {
    if (x < 0 || x >= image.width()) {
        return;
    }
    top = std::max(top, 0);
    bottom = std::min(bottom, image.height() - 1);
    if (top > bottom) {
        return;
    }
    const qsizetype stride = image.bytesPerLine() / 4;
    QRgb* p = reinterpret_cast<QRgb*>(image.scanLine(top)) + x;
    for (int y = top; y <= bottom; ++y, p += stride) {
        *p = colour;
    }
}

void DrawBorder(QPainter& painter, const QRect& plot) {
    painter.setPen(kBorderPen);
    painter.setBrush(Qt::NoBrush);
    // drawRect of a w x h rectangle covers w + 1 x h + 1 pixels: this one lies just outside.
    painter.drawRect(plot.left() - 1, plot.top() - 1, plot.width() + 1, plot.height() + 1);
}

void DrawAxisTitles(QPainter& painter, const QRect& plot, const QString& vertical,
                    const QString& horizontal) {
    painter.setPen(kTextPen);
    const QFontMetrics fm = painter.fontMetrics();
    painter.drawText(4, plot.top() - 9, vertical);
    const int width = fm.horizontalAdvance(horizontal);
    painter.drawText(plot.right() + 1 - width, BottomRowBaseline(painter, plot), horizontal);
}

int BottomRowBaseline(const QPainter& painter, const QRect& plot) {
    const QFontMetrics fm = painter.fontMetrics();
    return plot.bottom() + 2 + kTickLength + 2 * fm.height() - fm.descent();
}

void DrawLevelLabel(QPainter& painter, const QRect& plot, int y, const QString& text) {
    const QFontMetrics fm = painter.fontMetrics();
    painter.setPen(kBorderPen);
    painter.drawLine(plot.left() - 1 - kTickLength, y, plot.left() - 2, y);
    painter.setPen(kTextPen);
    const int width = fm.horizontalAdvance(text);
    painter.drawText(plot.left() - 3 - kTickLength - width, y + (fm.ascent() - fm.descent()) / 2,
                     text);
}

void DrawTickLabel(QPainter& painter, const QRect& plot, int x, const QString& text,
                   int& rightOfLast) {
    const QFontMetrics fm = painter.fontMetrics();
    painter.setPen(kBorderPen);
    painter.drawLine(x, plot.bottom() + 2, x, plot.bottom() + 1 + kTickLength);
    const int width = fm.horizontalAdvance(text);
    const int left = x - width / 2;
    // A label that would run off the picture is left out rather than cut.
    if (left < rightOfLast + kLabelGap || left + width > painter.device()->width()) {
        return;
    }
    painter.setPen(kTextPen);
    painter.drawText(left, plot.bottom() + 2 + kTickLength + fm.ascent(), text);
    rightOfLast = left + width;
}

} // namespace PlotFrame
