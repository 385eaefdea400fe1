// A box on the main window that shows one graph bitmap inside a one-pixel black frame.
// Everything is drawn off-screen; the box only copies the bitmap when it is repainted.
#pragma once

#include <QImage>
#include <QWidget>

class TPaintBox : public QWidget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);

    // The bitmap shown inside the frame (not owned; nullptr shows a white box).
    void SetBitmap(const QImage* bitmap);
    // Blank: white inside the frame until ShowBitmap; the bitmap stays untouched meanwhile.
    void ShowBlank();
    void ShowBitmap();
    bool IsBlank() const { return blank_; }

signals:
    // A mouse button went down at (x, y), counted from the box's own top-left corner.
    void MouseDown(Qt::MouseButton button, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    const QImage* bitmap_ = nullptr;
    bool blank_ = true;
};
