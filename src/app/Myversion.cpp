#include "app/Myversion.h"

#include <QApplication>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>

#include "graph/GraphArea.h"

namespace {
// Draws `text` with its top-left corner at (x, y) on the brush colour, as the original's
// canvas text did.
void TextOut(QPainter& p, int x, int y, const QString& text) {
    const QFontMetrics m(p.font());
    const QRect box(x, y, m.horizontalAdvance(text), m.height());
    p.fillRect(box, p.background());
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}
} // namespace

TFormVersion::TFormVersion(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("FormVersion"));
    setModal(true);
    setFont(WindowFont());
    setFixedSize(kClientWidth, kClientHeight);
    setWindowTitle(ProductCaption());
}

QString TFormVersion::ProductCaption() {
    return QStringLiteral("Tavrin v2");
}

QString TFormVersion::MakerName() {
    return QStringLiteral("Lumeno");
}

QString TFormVersion::MakerAddress() {
    return QStringLiteral("https://www.lumeno.co.jp/");
}

void TFormVersion::FormClick() {
    accept();
}

void TFormVersion::reject() {}

void TFormVersion::paintEvent(QPaintEvent*) {
    setWindowTitle(ProductCaption() + QStringLiteral("について"));
    QPainter p(this);
    const QColor menu = QApplication::palette("QMenu").color(QPalette::Window);
    p.fillRect(rect(), menu);
    p.setBackground(menu);
    p.setPen(Qt::black);

    QFont f = font();
    f.setBold(false);
    f.setPixelSize(15);
    p.setFont(f);
    TextOut(p, 40, 40, MakerName());
    f.setPixelSize(12);
    p.setFont(f);
    TextOut(p, 20, 65, MakerAddress());
    f.setPixelSize(16);
    f.setBold(true);
    p.setFont(f);
    TextOut(p, 60, 15, ProductCaption());
}

void TFormVersion::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void TFormVersion::mouseReleaseEvent(QMouseEvent* event) {
    // A click is a press and a release inside the box; a release left over from the click
    // that opened the box does not close it.
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click) {
        FormClick();
    }
}
