// A widget that shows a picture drawn for its own size: the picture is drawn again only when
// the widget's size changes or its content is marked stale, never for a plain repaint.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

class PlotView : public QWidget {
    Q_OBJECT
public:
    using Painter = std::function<void(QImage&)>;

    explicit PlotView(QWidget* parent = nullptr);
    void SetPainter(Painter painter);
    // The content changed: the picture is drawn again at the next paint.
    void Invalidate();
    // The picture as shown, drawn now if it is stale (for the window's tests and screenshots).
    const QImage& Picture();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Painter painter_;
    QImage picture_;
    bool stale_ = true;
};
