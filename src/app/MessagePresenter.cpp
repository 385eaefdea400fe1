#include "app/MessagePresenter.h"

#include <QMessageBox>

namespace {
QMessageBox::Icon ToQtIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Error:
        return QMessageBox::Critical;
    case MsgIcon::Warning:
        return QMessageBox::Warning;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

QMessageBox::StandardButtons ToQtButtons(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

IMessagePresenter* g_presenter = nullptr;
} // namespace

MsgAnswer QtMessagePresenter::Present(const MessageBoxRequest& request) {
    QMessageBox box(ToQtIcon(request.icon), request.caption, request.text,
                    ToQtButtons(request.buttons));
    // Texts carry file names (overwrite questions): never interpret them as markup.
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    default:
        // Closed with Escape or the window's close box: the safe answer of the buttons shown.
        break;
    }
    switch (request.buttons) {
    case MsgButtons::OkCancel:
        return MsgAnswer::Cancel;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    case MsgButtons::Ok:
        break;
    }
    return MsgAnswer::Ok;
}

IMessagePresenter& DefaultMessagePresenter() {
    static QtMessagePresenter qtPresenter;
    return g_presenter ? *g_presenter : qtPresenter;
}

void SetDefaultMessagePresenter(IMessagePresenter* presenter) {
    g_presenter = presenter;
}
