#include "app/WindowSettingChooser.h"

TWindowSettingChooser::TWindowSettingChooser(ISettingChooser* inner, IMessagePresenter& presenter)
    : inner_(inner ? *inner : DefaultSettingChooser()), presenter_(presenter) {}

std::optional<int32_t> TWindowSettingChooser::ChooseColor(QWidget* parent) {
    return inner_.ChooseColor(parent);
}

QString TWindowSettingChooser::ChooseSaveFile(QWidget* parent, const QString& initial) {
    return inner_.ChooseSaveFile(parent, initial);
}

void TWindowSettingChooser::ShowError(QWidget*, const QString& caption, const QString& text) {
    MessageBoxRequest request;
    request.caption = caption;
    request.icon = MsgIcon::Error;
    request.text = text;
    presenter_.Present(request);
}
