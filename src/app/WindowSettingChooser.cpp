#include "app/WindowSettingChooser.h"

TWindowSettingChooser::TWindowSettingChooser(ISettingChooser* inner, IMessagePresenter& presenter,
                                             IFileDialogs* fileDialogs)
    : inner_(inner ? *inner : DefaultSettingChooser()), presenter_(presenter),
      fileDialogs_(fileDialogs) {}

std::optional<int32_t> TWindowSettingChooser::ChooseColor(QWidget* parent, int32_t current) {
    return inner_.ChooseColor(parent, current);
}

QString TWindowSettingChooser::ChooseSaveFile(QWidget*, const QString& initial) {
    if (!fileDialogs_) {
        return {};
    }
    // `initial` is the current file's path or the pattern: the data commands' rules apply.
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Save;
    request.filter = kDataFileFilter;
    request.folder = DialogFolderFor(initial);
    request.name = ProposedFileName(initial, kDataFilePattern);
    return fileDialogs_->Ask(request);
}

void TWindowSettingChooser::ShowError(QWidget*, const QString& caption, const QString& text) {
    MessageBoxRequest request;
    request.caption = caption;
    request.icon = MsgIcon::Error;
    request.text = text;
    presenter_.Present(request);
}
