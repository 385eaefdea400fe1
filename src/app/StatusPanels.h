// The main window's status bar: a QStatusBar holding three text panels whose widths the program
// sets (no size grip, no stretching). Emits clicked() for a left press anywhere on it.
#pragma once

#include <QLabel>
#include <QStatusBar>
#include <array>

class TStatusPanels : public QStatusBar {
    Q_OBJECT
public:
    static constexpr int kPanelCount = 3;
    static constexpr int kInitialPanelWidth = 50;

    explicit TStatusPanels(QWidget* parent = nullptr);

    void SetPanelText(int index, const QString& text);
    void SetPanelWidth(int index, int width);
    QString PanelText(int index) const;
    int PanelWidth(int index) const;
    // Width of `text` in the status bar's font, in pixels.
    int TextWidth(const QString& text) const;
    QLabel* Panel(int index) const;

signals:
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::array<QLabel*, kPanelCount> panels_{};
};

// A panel is as wide as its text plus 10 pixels, but never narrower than 110 pixels: texts up to
// 100 pixels wide get 110.
int StatusPanelWidth(int textWidth);
