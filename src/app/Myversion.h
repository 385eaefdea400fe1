// The version box: a small modal window naming the product and its maker, closed by a (left)
// click anywhere in it and by nothing else: no close box, no Escape, no other mouse button.
// Everything in it is painted; it has no controls.
#pragma once

#include <QDialog>

class TFormVersion : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 192;
    static constexpr int kClientHeight = 93;

    // Centred on `parent` (the main window) whenever it is shown.
    explicit TFormVersion(QWidget* parent = nullptr);

    static QString ProductCaption();
    static QString MakerName();
    static QString MakerAddress();

    void FormClick();

public slots:
    // Escape and a close request from the window system land here: the box stays.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override; // FormPaint
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override; // FormClick

private:
    bool pressed_ = false;
};
