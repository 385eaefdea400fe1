#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "app/Mymessage.h"
#include "app/QtUiServices.h"
#include "app/app_test_helpers.h"

namespace {
struct BoxCase {
    void (*show)(TmyMessage&);
    MsgIcon icon;
    const char* text;
};

TEST(TmyMessage, EveryBoxHasItsTextIconCaptionAndOnlyOk) {
    const BoxCase cases[] = {
        {[](TmyMessage& m) { m.MsgMemoryError("FFTGraph"); }, MsgIcon::Error,
         "致命的なメモリエラーです:FFTGraph"},
        {[](TmyMessage& m) { m.MsgCommandError(); }, MsgIcon::Error, "コマンド送信エラーです"},
        {[](TmyMessage& m) { m.MsgNotFound(); }, MsgIcon::Error, "TORVEX24が見つかりませんでした"},
        {[](TmyMessage& m) { m.MsgNoResponse(); }, MsgIcon::Error, "TORVEX24が応答しませんでした"},
        {[](TmyMessage& m) { m.MsgIniSaveError(); }, MsgIcon::Warning,
         "初期設定ファイルを保存できませんでした"},
        {[](TmyMessage& m) { m.MsgDataSaveError(); }, MsgIcon::Error, "データ保存できませんでした"},
        {[](TmyMessage& m) { m.MsgDataFileError(); }, MsgIcon::Error,
         "データファイルの内容が正しくありませんでした"},
        {[](TmyMessage& m) { m.MsgFFTSaveError(); }, MsgIcon::Error,
         "FFTデータ保存できませんでした"},
        {[](TmyMessage& m) { m.MsgSettingFileError(); }, MsgIcon::Error,
         "設定ファイルの内容が正しくありませんでした"},
        {[](TmyMessage& m) { m.MsgNoData(); }, MsgIcon::Error, "データがありません"},
        {[](TmyMessage& m) { m.MsgLevelError(); }, MsgIcon::Warning,
         "入力信号レベルが適正範囲からはずれています"},
    };
    RecordingPresenter presenter;
    TmyMessage message("TORVEX24", "Tavrin v2", presenter);
    for (const BoxCase& c : cases) {
        presenter.shown.clear();
        c.show(message);
        ASSERT_EQ(presenter.shown.size(), 1u) << c.text;
        const MessageBoxRequest& box = presenter.shown[0];
        EXPECT_EQ(box.caption, QStringLiteral("Tavrin v2")) << c.text;
        EXPECT_EQ(box.text, QString::fromUtf8(c.text));
        EXPECT_EQ(box.icon, c.icon) << c.text;
        EXPECT_EQ(box.buttons, MsgButtons::Ok) << c.text;
    }
}

TEST(TmyMessage, UnitNameLeadsUnitMessagesAndCaptionKeepsElevenCharacters) {
    RecordingPresenter presenter;
    TmyMessage message("UNIT9", "Tavrin v2 long caption", presenter);
    message.MsgNotFound();
    EXPECT_EQ(presenter.shown.at(0).text, QStringLiteral("UNIT9が見つかりませんでした"));
    EXPECT_EQ(presenter.shown.at(0).caption, QStringLiteral("Tavrin v2 l"));
}

TEST(MainWindowBoxes, SecondStartAndMessageServiceFailure) {
    RecordingPresenter presenter;
    ShowAlreadyRunning(presenter);
    ShowMessageServiceMemoryError(presenter);
    ASSERT_EQ(presenter.shown.size(), 2u);
    EXPECT_EQ(presenter.shown[0].caption, QStringLiteral("Tavrin"));
    EXPECT_EQ(presenter.shown[0].text, QStringLiteral("Tavrin はすでに起動しています"));
    EXPECT_EQ(presenter.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(presenter.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(presenter.shown[1].caption, QStringLiteral("Tavrin v2"));
    EXPECT_EQ(presenter.shown[1].text, QStringLiteral("致命的なメモリエラーです:TmyMessage"));
    EXPECT_EQ(presenter.shown[1].icon, MsgIcon::Error);
}

TEST(MainWindowBoxes, DiscardQuestionIsOkCancelWarningAndOnlyOkAgrees) {
    RecordingPresenter presenter;
    presenter.answer = MsgAnswer::Ok;
    EXPECT_TRUE(AskDiscardUnsavedData(presenter));
    presenter.answer = MsgAnswer::Cancel;
    EXPECT_FALSE(AskDiscardUnsavedData(presenter));
    const MessageBoxRequest& box = presenter.shown.at(0);
    EXPECT_EQ(box.caption, QStringLiteral("Tavrin v2"));
    EXPECT_EQ(box.text, QStringLiteral("データを保存していませんが、破棄してもいいですか？"));
    EXPECT_EQ(box.icon, MsgIcon::Warning);
    EXPECT_EQ(box.buttons, MsgButtons::OkCancel);
}

TEST(MainWindowBoxes, SettingsOverwriteQuestionNamesTheFullPath) {
    RecordingPresenter presenter;
    presenter.answer = MsgAnswer::Yes;
    EXPECT_TRUE(AskOverwriteSettingFile(presenter, "/home/u/設定.prf"));
    presenter.answer = MsgAnswer::No;
    EXPECT_FALSE(AskOverwriteSettingFile(presenter, "/home/u/設定.prf"));
    const MessageBoxRequest& box = presenter.shown.at(0);
    EXPECT_EQ(box.text,
              QStringLiteral("同名のファイル：/home/u/設定.prfがあります。\n上書きしますか"));
    EXPECT_EQ(box.caption, kConfirmationCaption);
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
}

TEST(QtUiServices, ConfirmationAndWarningGoThroughThePresenter) {
    TestApp();
    RecordingPresenter presenter;
    QtConfirmation confirmation(presenter);
    presenter.answer = MsgAnswer::Yes;
    EXPECT_TRUE(confirmation.AskYesNo("ファイル：/tmp/a.DTAがあります。\n上書きしますか"));
    presenter.answer = MsgAnswer::No;
    EXPECT_FALSE(confirmation.AskYesNo("x"));
    EXPECT_EQ(presenter.shown.at(0).text,
              QStringLiteral("ファイル：/tmp/a.DTAがあります。\n上書きしますか"));
    EXPECT_EQ(presenter.shown.at(0).icon, MsgIcon::Question);
    EXPECT_EQ(presenter.shown.at(0).buttons, MsgButtons::YesNo);
    EXPECT_EQ(presenter.shown.at(0).caption, kConfirmationCaption);

    QtWarning warning(presenter);
    warning.ShowWarning("myFFT", "ゼロ除算：TmyFFT::DCCut");
    EXPECT_EQ(presenter.shown.back().caption, QStringLiteral("myFFT"));
    EXPECT_EQ(presenter.shown.back().text, QStringLiteral("ゼロ除算：TmyFFT::DCCut"));
    EXPECT_EQ(presenter.shown.back().icon, MsgIcon::Warning);
    EXPECT_EQ(presenter.shown.back().buttons, MsgButtons::Ok);
}

TEST(QtUiServices, OneShotTimerTicksOnceAndStopCancels) {
    TestApp();
    QtOneShotTimer timer;
    int ticks = 0;
    timer.SetHandler([&] { ++ticks; });
    timer.Start(5);
    EXPECT_TRUE(ProcessEventsUntil([&] { return ticks > 0; }));
    ProcessEventsUntil([] { return false; }, 40);
    EXPECT_EQ(ticks, 1);
    timer.Start(20);
    timer.Stop();
    ProcessEventsUntil([] { return false; }, 60);
    EXPECT_EQ(ticks, 1);
}
// The real box shows its text as it is: a file name such as "<b>x</b>.prf" or "a&lt;b.DTA" in an
// overwrite question must not be taken for markup.
TEST(QtMessagePresenter, BoxShowsTextsAsPlainTextAndReturnsThePressedButton) {
    TestApp();
    const QString text =
        QStringLiteral("同名のファイル：/tmp/<b>x</b>.prf&lt;があります。\n上書きしますか");
    Qt::TextFormat format = Qt::AutoText;
    QString shownText;
    QString shownCaption;
    // Answers as soon as the box is up (polling: exec() shows it from inside its own loop).
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            format = box->textFormat();
            shownText = box->text();
            shownCaption = box->windowTitle();
            box->done(QMessageBox::No);
        }
    });
    answerer.start(5);
    QtMessagePresenter presenter;
    const MsgAnswer answer =
        presenter.Present({kConfirmationCaption, MsgIcon::Question, text, MsgButtons::YesNo});
    EXPECT_EQ(answer, MsgAnswer::No);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shownText, text);
    EXPECT_EQ(shownCaption, kConfirmationCaption);
}
} // namespace
