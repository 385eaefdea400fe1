#include "app/Mymessage.h"

namespace {
constexpr int kMaxCaptionChars = 11;
}

TmyMessage::TmyMessage(const QString& unitName, const QString& caption,
                       IMessagePresenter& presenter)
    : unitName_(unitName), caption_(caption.left(kMaxCaptionChars)), presenter_(presenter) {}

void TmyMessage::Show(MsgIcon icon, const QString& text) {
    presenter_.Present({caption_, icon, text, MsgButtons::Ok});
}

void TmyMessage::MsgMemoryError(const QString& objectName) {
    Show(MsgIcon::Error, QStringLiteral("致命的なメモリエラーです:") + objectName);
}
void TmyMessage::MsgCommandError() {
    Show(MsgIcon::Error, QStringLiteral("コマンド送信エラーです"));
}
void TmyMessage::MsgNotFound() {
    Show(MsgIcon::Error, unitName_ + QStringLiteral("が見つかりませんでした"));
}
void TmyMessage::MsgNoResponse() {
    Show(MsgIcon::Error, unitName_ + QStringLiteral("が応答しませんでした"));
}
void TmyMessage::MsgIniSaveError() {
    Show(MsgIcon::Warning, QStringLiteral("初期設定ファイルを保存できませんでした"));
}
void TmyMessage::MsgDataSaveError() {
    Show(MsgIcon::Error, QStringLiteral("データ保存できませんでした"));
}
void TmyMessage::MsgDataFileError() {
    Show(MsgIcon::Error, QStringLiteral("データファイルの内容が正しくありませんでした"));
}
void TmyMessage::MsgFFTSaveError() {
    Show(MsgIcon::Error, QStringLiteral("FFTデータ保存できませんでした"));
}
void TmyMessage::MsgAnalysisSaveError() {
    Show(MsgIcon::Error, QStringLiteral("解析結果を保存できませんでした"));
}
void TmyMessage::MsgSeriesMemoryError() {
    Show(MsgIcon::Error, QStringLiteral("平均化に使うメモリを確保できませんでした"));
}
void TmyMessage::MsgSettingFileError() {
    Show(MsgIcon::Error, QStringLiteral("設定ファイルの内容が正しくありませんでした"));
}
void TmyMessage::MsgNoData() {
    Show(MsgIcon::Error, QStringLiteral("データがありません"));
}
void TmyMessage::MsgLevelError() {
    Show(MsgIcon::Warning, QStringLiteral("入力信号レベルが適正範囲からはずれています"));
}

void TmyMessage::MsgPrintError() {
    Show(MsgIcon::Error, QStringLiteral("印刷できませんでした"));
}

void ShowAlreadyRunning(IMessagePresenter& presenter) {
    presenter.Present({QStringLiteral("Tavrin"), MsgIcon::Error,
                       QStringLiteral("Tavrin はすでに起動しています"), MsgButtons::Ok});
}

void ShowMessageServiceMemoryError(IMessagePresenter& presenter) {
    presenter.Present({kMessageCaption, MsgIcon::Error,
                       QStringLiteral("致命的なメモリエラーです:TmyMessage"), MsgButtons::Ok});
}

bool AskDiscardUnsavedData(IMessagePresenter& presenter) {
    return presenter.Present({kMessageCaption, MsgIcon::Warning,
                              QStringLiteral("データを保存していませんが、破棄してもいいですか？"),
                              MsgButtons::OkCancel}) == MsgAnswer::Ok;
}

bool AskOverwriteSettingFile(IMessagePresenter& presenter, const QString& fullName) {
    const QString text = QStringLiteral("同名のファイル：") + fullName +
                         QStringLiteral("があります。") + QLatin1Char('\n') +
                         QStringLiteral("上書きしますか");
    return presenter.Present({kConfirmationCaption, MsgIcon::Question, text, MsgButtons::YesNo}) ==
           MsgAnswer::Yes;
}
