#include "dialogs/SettingChooser.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

QColor ColorOfColorRef(int32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

int32_t ColorRefOfColor(const QColor& c) {
    return static_cast<int32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

std::optional<int32_t> QtSettingChooser::ChooseColor(QWidget* parent, int32_t current) {
    // Preset with the current colour, so that OK at once changes nothing.
    const QColor c = QColorDialog::getColor(ColorOfColorRef(current), parent, QString(),
                                            QColorDialog::DontUseNativeDialog);
    if (!c.isValid()) {
        return std::nullopt;
    }
    return ColorRefOfColor(c);
}

QString QtSettingChooser::ChooseSaveFile(QWidget* parent, const QString& initial) {
    // The name is only chosen here; the automatic save asks before it replaces a file.
    QFileDialog dialog(parent);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(initial);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
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
