// The settings dialog's choices as the main window provides them: colour and file choices from
// the platform (or a test's chooser), the error box through the window's message presenter.
#pragma once

#include "app/MessagePresenter.h"
#include "dialogs/SettingChooser.h"

class TWindowSettingChooser : public ISettingChooser {
public:
    // `inner` null: the platform's dialogs.
    TWindowSettingChooser(ISettingChooser* inner, IMessagePresenter& presenter);
    std::optional<int32_t> ChooseColor(QWidget* parent) override;
    QString ChooseSaveFile(QWidget* parent, const QString& initial) override;
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override;

private:
    ISettingChooser& inner_;
    IMessagePresenter& presenter_;
};
