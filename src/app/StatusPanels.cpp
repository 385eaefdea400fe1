#include "app/StatusPanels.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>

TStatusPanels::TStatusPanels(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false);
    for (int i = 0; i < kPanelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        // Texts carry the unit's replies and file names: never interpret them as markup (and
        // spare the markup guess on every progress update).
        label->setTextFormat(Qt::PlainText);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setFixedWidth(kInitialPanelWidth);
        label->installEventFilter(this);
        addWidget(label, 0);
        panels_[i] = label;
    }
}

QLabel* TStatusPanels::Panel(int index) const {
    return index >= 0 && index < kPanelCount ? panels_[index] : nullptr;
}

void TStatusPanels::SetPanelText(int index, const QString& text) {
    if (QLabel* p = Panel(index)) {
        p->setText(text);
    }
}

void TStatusPanels::SetPanelWidth(int index, int width) {
    if (QLabel* p = Panel(index)) {
        p->setFixedWidth(width);
    }
}

QString TStatusPanels::PanelText(int index) const {
    const QLabel* p = Panel(index);
    return p ? p->text() : QString();
}

int TStatusPanels::PanelWidth(int index) const {
    const QLabel* p = Panel(index);
    return p ? p->minimumWidth() : 0;
}

int TStatusPanels::TextWidth(const QString& text) const {
    return QFontMetrics(font()).horizontalAdvance(text);
}

bool TStatusPanels::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // Consumed here: a label ignores the press, which would then travel on to the bar's
        // own mousePressEvent and count as a second click, switching panel 2 straight back.
        emit clicked();
        return true;
    }
    return QStatusBar::eventFilter(watched, event);
}

void TStatusPanels::mousePressEvent(QMouseEvent* event) {
    // A click is the left button's, as with every other click of the window.
    if (event->button() == Qt::LeftButton) {
        emit clicked();
    }
    QStatusBar::mousePressEvent(event);
}

int StatusPanelWidth(int textWidth) {
    return textWidth <= 100 ? 110 : textWidth + 10;
}
