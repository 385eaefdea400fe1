// The settings dialog's choices as the main window provides them: the colour choice from the
// platform (or a test's chooser), the automatic-save file from the window's own save dialog
// with its folder and name rules, the error box through the window's message presenter.
#pragma once

#include "app/FileDialogs.h"
#include "app/MessagePresenter.h"
#include "dialogs/SettingChooser.h"

class TWindowSettingChooser : public ISettingChooser {
public:
    // `inner` null: the platform's colour dialog.
    TWindowSettingChooser(ISettingChooser* inner, IMessagePresenter& presenter,
                          IFileDialogs* fileDialogs);
    std::optional<int32_t> ChooseColor(QWidget* parent, int32_t current) override;
    QString ChooseSaveFile(QWidget* parent, const QString& initial) override;
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override;

private:
    ISettingChooser& inner_;
    IMessagePresenter& presenter_;
    IFileDialogs* fileDialogs_;
};
