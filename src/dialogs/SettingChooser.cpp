#include "dialogs/SettingChooser.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

std::optional<int32_t> QtSettingChooser::ChooseColor(QWidget* parent) {
    const QColor c = QColorDialog::getColor(Qt::white, parent);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

QString QtSettingChooser::ChooseSaveFile(QWidget* parent, const QString& initial) {
    // The name is only chosen here; the automatic save asks before it replaces a file.
    return QFileDialog::getSaveFileName(parent, QString(), initial, QString(), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

void QtSettingChooser::ShowError(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

ISettingChooser& DefaultSettingChooser() {
    static QtSettingChooser chooser;
    return chooser;
}
