#include "graph/TPaintBox.h"

#include "graph/GraphBitmap.h"

#include <QMouseEvent>
#include <QPainter>

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
    // The whole surface is painted every time; nothing of the parent shows through.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::SetBitmap(const QImage* bitmap) {
    bitmap_ = bitmap;
    update();
}

void TPaintBox::ShowBlank() {
    blank_ = true;
    update();
}

void TPaintBox::ShowBitmap() {
    blank_ = false;
    update();
}

void TPaintBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor::fromRgb(PixelFromColorRef(kColorWhite)));
    if (!blank_ && bitmap_ != nullptr) {
        // The inner area (1, 1, W-1, H-1); a bitmap larger than it is cut at the frame.
        p.setClipRect(1, 1, width() - 2, height() - 2);
        p.drawImage(1, 1, *bitmap_);
        p.setClipping(false);
    }
    p.setPen(QColor::fromRgb(PixelFromColorRef(kColorBlack)));
    p.drawRect(0, 0, width() - 1, height() - 1);
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit MouseDown(event->button(), pos.x(), pos.y());
}
