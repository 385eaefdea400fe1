// What the analysis window's two plots share: their margins, font, grid colours, the direct
// pixel access of the hot passes and the 1-2-5 steps of their axes.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QRect>
#include <QString>
#include <cstdint>

class QPainter;

namespace PlotFrame {

// Room for the level or count labels left of the frame, the legend and the vertical axis title
// above it, and the tick labels and the horizontal axis title below it.
inline constexpr int kLeftMargin = 54;
inline constexpr int kTopMargin = 22;
inline constexpr int kRightMargin = 14;
inline constexpr int kBottomMargin = 38;

inline const QColor kText{0, 0, 0};
inline const QColor kBorder{0, 0, 0};
inline const QColor kGridMajor{185, 185, 185};
inline const QColor kGridMinor{228, 228, 228};
// Pens made once: a pen made from a colour at every line would allocate at every line.
inline const QPen kTextPen{kText};
inline const QPen kBorderPen{kBorder};
inline const QPen kGridMajorPen{kGridMajor};
inline const QPen kGridMinorPen{kGridMinor};
inline const QPen kMarkerPen{kGridMajor.darker(150)};

QRect PlotRect(QSize size);
// The window font (with its fallback) at the window's pixel size.
QFont Font();
// The smallest 1, 2 or 5 times a power of ten that is at least `rough` (and at least `floor`).
double NiceStep(double rough, double floor);
// Makes the image 32-bit RGB so that the pixel passes can write it word by word.
void PrepareImage(QImage& image);
// Fills rows top..bottom (inclusive, clipped to the image) of column x.
void FillColumn(QImage& image, int x, int top, int bottom, QRgb colour);
// The frame line just outside the plot rectangle, so that every pixel inside stays data.
void DrawBorder(QPainter& painter, const QRect& plot);
// The vertical axis title above the labels and the horizontal one right-aligned below the
// tick labels, on the bottom row.
void DrawAxisTitles(QPainter& painter, const QRect& plot, const QString& vertical,
                    const QString& horizontal);
// The baseline of the row below the tick labels (the horizontal title's and a legend's).
int BottomRowBaseline(const QPainter& painter, const QRect& plot);
// A tick label right-aligned to the frame's left edge, centred on row y.
void DrawLevelLabel(QPainter& painter, const QRect& plot, int y, const QString& text);
// A tick label centred on column x below the frame; `rightOfLast` is where the previous label
// ended, so that labels never overlap (updated when this one is drawn).
void DrawTickLabel(QPainter& painter, const QRect& plot, int x, const QString& text,
                   int& rightOfLast);

} // namespace PlotFrame
