#include "analysisview/PlotView.h"

#include <QPainter>

PlotView::PlotView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PlotView::SetPainter(Painter painter) {
    painter_ = std::move(painter);
    Invalidate();
}

void PlotView::Invalidate() {
    stale_ = true;
    update();
}

const QImage& PlotView::Picture() {
    if (picture_.size() != size()) {
        // A new size needs new storage; the same size reuses the picture's.
        picture_ = QImage(size(), QImage::Format_RGB32);
        stale_ = true;
    }
    if (stale_) {
        picture_.fill(Qt::white);
        if (painter_) {
            painter_(picture_);
        }
        stale_ = false;
    }
    return picture_;
}

void PlotView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, Picture());
}
