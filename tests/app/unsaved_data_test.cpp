// Commands that would drop a measured block nobody saved ask first, and only then.
#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>

#include "app/measure_test_helpers.h"

namespace {

const QString kDiscardQuestion = "データを保存していませんが、破棄してもいいですか？";

void ExpectDiscardQuestion(const RecordingPresenter& presenter) {
    ASSERT_EQ(presenter.shown.size(), 1u);
    const MessageBoxRequest& box = presenter.shown[0];
    EXPECT_EQ(box.text, kDiscardQuestion);
    EXPECT_EQ(box.caption, "Tavrin v2");
    EXPECT_EQ(box.icon, MsgIcon::Warning);
    EXPECT_EQ(box.buttons, MsgButtons::OkCancel);
}

struct Command {
    const char* name;
    std::function<void(TFormMain&)> run;
    bool closes;
};

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"終了", [](TFormMain& f) { f.MenuFileExitClick(); }, true},
        {"close box", [](TFormMain& f) { f.close(); }, true},
        {"データ→読込み", [](TFormMain& f) { f.MenuDataLoadClick(); }, false},
        {"設定→読込み", [](TFormMain& f) { f.MenuOpenSettingFileClick(); }, false},
        {"新規ファイル", [](TFormMain& f) { f.MenuFileNewClick(); }, false},
    };
    return commands;
}

TEST(UnsavedData, EachCommandThatDropsTheBlockAsksAndCancelKeepsEverything) {
    for (const Command& c : Commands()) {
        SCOPED_TRACE(c.name);
        MeasureRig rig;
        TFormMain& f = *rig.form;
        rig.Measure();
        ASSERT_TRUE(f.Document().fDataExist && !f.Document().fDataSaved);
        const QString prf = rig.dir.filePath("Tavrinini.prf");
        const QByteArray settings = ReadAll(prf);
        const GraphSetting graph = f.Document().graphSetting;
        const QString title = f.windowTitle();
        const QString rms = Controls(f).EditRMS->text();
        int closed = 0;
        QObject::connect(&f, &TFormMain::closed, [&] { ++closed; });

        rig.presenter.answer = MsgAnswer::Cancel;
        c.run(f);
        ExpectDiscardQuestion(rig.presenter);
        EXPECT_TRUE(rig.files.asked.empty()) << "no file dialog after Cancel";
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(closed, 0);
        EXPECT_TRUE(f.Document().fDataExist);
        EXPECT_EQ(f.Document().curBlock.count, 1024);
        EXPECT_EQ(Controls(f).EditRMS->text(), rms);
        EXPECT_EQ(f.windowTitle(), title);
        EXPECT_TRUE(f.Document().graphSetting == graph);
        EXPECT_EQ(ReadAll(prf), settings);

        // OK goes on as without the question (the file dialogs are cancelled).
        rig.presenter.shown.clear();
        rig.presenter.answer = MsgAnswer::Ok;
        QFile::remove(prf);
        c.run(f);
        ExpectDiscardQuestion(rig.presenter);
        EXPECT_EQ(f.isVisible(), !c.closes);
        EXPECT_EQ(closed, c.closes ? 1 : 0);
        EXPECT_EQ(QFile::exists(prf), c.closes) << "the close writes the start-up file";
        EXPECT_EQ(rig.files.asked.size(), c.closes ? 0u : 1u);
    }
}

TEST(UnsavedData, NoQuestionWithoutUnsavedDataOrWhenASignalCloses) {
    enum class State { NoData, Saved, AutoSave, Signal };
    for (const State state : {State::NoData, State::Saved, State::AutoSave, State::Signal}) {
        SCOPED_TRACE(static_cast<int>(state));
        MeasureRig rig;
        TFormMain& f = *rig.form;
        if (state != State::NoData) {
            rig.Measure();
        }
        f.Document().fDataSaved = state == State::Saved;
        f.Document().measureSetting.fSaveDataFile = state == State::AutoSave;
        if (state == State::Signal) {
            f.CloseOnSignal(15);
        } else {
            // The commands that keep the window open (their file dialogs are cancelled), then
            // the one that closes it.
            for (const Command& c : Commands()) {
                if (!c.closes) {
                    c.run(f);
                    EXPECT_TRUE(f.isVisible()) << c.name;
                }
            }
            f.MenuFileExitClick();
        }
        EXPECT_TRUE(rig.presenter.shown.empty());
        EXPECT_FALSE(f.isVisible());
    }
}

TEST(UnsavedData, SignalWhileTheCloseAsksClosesAndSavesTheSettings) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    rig.Measure();
    const QString prf = rig.dir.filePath("Tavrinini.prf");
    QFile::remove(prf);
    int closed = 0;
    QObject::connect(&f, &TFormMain::closed, [&] { ++closed; });
    rig.presenter.answer = MsgAnswer::Cancel; // the box ends unanswered when the program ends
    rig.presenter.whileShown = [&] {
        f.CloseOnSignal(15);
        EXPECT_TRUE(QFile::exists(prf)) << "saved before the box has gone";
        EXPECT_EQ(closed, 1);
    };
    f.MenuFileExitClick();
    EXPECT_EQ(rig.presenter.shown.size(), 1u);
    EXPECT_TRUE(f.ClosedBySignal());
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(QFile::exists(prf));
}

TEST(UnsavedData, CloseWhileTheUnitIsPreparedAsksOnceTheStartHasEnded) {
    auto scripted = std::make_unique<ScriptedUnit>();
    scripted->codes.assign(1024, 8388608);
    MeasureRig rig(std::move(scripted));
    TFormMain& f = *rig.form;
    rig.Measure();
    ASSERT_TRUE(f.Document().fDataExist && !f.Document().fDataSaved);
    ScriptedUnit& unit = *rig.Scripted();
    unit.lines.clear();
    unit.onLine = [&](const std::string& line) {
        if (line == "?") {
            f.close();
            EXPECT_TRUE(rig.presenter.shown.empty()) << "no box inside the unit's wait";
        }
    };
    rig.presenter.answer = MsgAnswer::Cancel;
    Controls(f).MeasureStartBtn->click();
    EXPECT_EQ(unit.lines.size(), 1u) << "the start ends after the step that saw the close";
    ExpectDiscardQuestion(rig.presenter);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.InitializingUnit());
    EXPECT_TRUE(f.Document().fDataExist);
    EXPECT_EQ(Controls(f).MeasureStartBtn->text(), "計測開始");
}

} // namespace
