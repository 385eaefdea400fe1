// The small windows and Qt's own dialogs as the main window shows them: the version box, the
// file dialogs' refusal of patterns, Qt's Japanese button texts and the status panels' widths.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "app/FileDialogs.h"

#include "app/Mystatus.h"
#include "app/Myversion.h"
#include "app/QtTranslations.h"
#include "app/StatusPanels.h"
#include "app/measure_test_helpers.h"
#include "dialogs/Fft_setting.h"

namespace {

void Click(QWidget* w, Qt::MouseButton button, QPointF at = QPointF(3, 90)) {
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button, {});
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button, {}, {});
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

TEST(VersionBoxTest, OnlyALeftClickClosesIt) {
    TestApp();
    TFormVersion box;
    EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
    const std::pair<const char*, std::function<void()>> notClosing[] = {
        {"Escape",
         [&] {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&box, &escape);
         }},
        {"right click", [&] { Click(&box, Qt::RightButton); }},
        {"middle click", [&] { Click(&box, Qt::MiddleButton); }},
        {"close request", [&] { box.close(); }}, // what the window system's close box asks
    };
    for (const auto& [what, action] : notClosing) {
        box.show();
        action();
        EXPECT_TRUE(box.isVisible()) << what;
    }
    Click(&box, Qt::LeftButton, QPointF(60, 20)); // on the caption text
    EXPECT_FALSE(box.isVisible());
}

void PressEnter(QWidget* w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

TEST(FileDialogTest, SaveDialogKeepsAPatternForAName) {
    TestApp();
    QTemporaryDir dir;
    QFileDialog open;
    TSaveFileDialog save;
    QtFileDialogs dialogs(&open, &save);
    QStringList stillOpen;
    QTimer::singleShot(50, [&] {
        auto* edit = save.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_TRUE(edit && ProcessEventsUntil([&] { return save.isVisible(); }));
        for (const char* typed : {"", "run?.DTA", "*"}) {
            if (*typed) {
                edit->setText(typed);
            }
            PressEnter(edit); // the first time: the proposal as it stands
            if (save.isVisible()) {
                stillOpen << edit->text();
            }
        }
        edit->setText("run1.DTA");
        PressEnter(edit);
        if (save.isVisible()) {
            save.reject();
        }
    });
    const QString chosen = dialogs.Ask(
        {FileDialogRequest::Mode::Save, "データファイル (*.DTA)|*.DTA", dir.path(), "*.DTA"});
    EXPECT_EQ(stillOpen.join(" "), "*.DTA run?.DTA *");
    EXPECT_EQ(chosen, dir.filePath("run1.DTA"));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(QtTranslationsTest, QtsOwnButtonsAndDialogsReadJapanese) {
    ASSERT_TRUE(InstallQtJapanese(TestApp()));
    QMessageBox box(QMessageBox::Warning, "Tavrin v2", "x",
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No);
    QStringList texts;
    for (auto b : {QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::No}) {
        texts << box.button(b)->text();
    }
    QDialogButtonBox buttons(QDialogButtonBox::Save | QDialogButtonBox::Open);
    for (auto b : {QDialogButtonBox::Save, QDialogButtonBox::Open}) {
        texts << buttons.button(b)->text();
    }
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    texts << files.findChild<QLabel*>("fileNameLabel")->text();
    EXPECT_EQ(texts.join("|").toStdString(),
              "OK|キャンセル|はい(&Y)|いいえ(&N)|保存|開く|ファイル名(&N):");
}

TEST(SettingsDialogTest, AutomaticSaveFileIsChosenInTheWindowsSaveDialogByItsRules) {
    MeasureRig rig;
    TFormFFTSetting& dialog = *rig.form->FFTSettingDialog();
    GraphSetting graph;
    MeasureSetting measure;
    bool cancelled = true;
    dialog.Setup(graph, measure, cancelled);
    // Any other dialog would wait for a person: closed, so that the test fails instead.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            w->close();
        }
    });
    guard.start(3000);
    rig.files.answers = {rig.dir.filePath("auto")};
    dialog.findChild<QCheckBox*>("CheckSaveData")->click();
    EXPECT_EQ(dialog.ChosenFile().toStdString(), rig.dir.filePath("auto.DTA").toStdString());
    dialog.findChild<QPushButton*>("FileBtn")->click(); // cancelled: the choice stays
    EXPECT_EQ(dialog.ChosenFile().toStdString(), rig.dir.filePath("auto.DTA").toStdString());
    QStringList asked;
    for (const FileDialogRequest& r : rig.files.asked) {
        asked << QString::number(int(r.mode)) + " " + r.filter + " " + r.folder + " " + r.name;
    }
    const QString save =
        QString::number(int(FileDialogRequest::Mode::Save)) + " " + kDataFileFilter;
    const QString expected =
        save + " " + QDir::homePath() + " *.DTA\n" + save + " " + rig.dir.path() + " auto.DTA";
    EXPECT_EQ(asked.join("\n").toStdString(), expected.toStdString());
}

TEST(StatusPanelsTest, CommandsThatEmptyTheStatePanelsKeepTheirWidths) {
    MeasureRig rig;
    TFormMain& f = *rig.form;
    const QString data = rig.dir.filePath("d.DTA");
    const QString setting = rig.dir.filePath("s.prf");
    rig.Measure();
    rig.files.answers = {data, setting};
    f.MenuDataSaveClick();
    f.MenuSaveSettingFileClick();
    ASSERT_TRUE(f.Document().fDataSaved && QFile::exists(setting));
    const auto emptiesKeepingWidths = [&](const char* what, const std::function<void()>& command) {
        for (int i : {1, 2}) {
            f.Status()->SetPanel(QString(30, u'測'), i);
        }
        const int w1 = Controls(f).StatusBar1->PanelWidth(1);
        const int w2 = Controls(f).StatusBar1->PanelWidth(2);
        ASSERT_GT(std::min(w1, w2), StatusPanelWidth(0));
        command();
        EXPECT_EQ(rig.Panel(1) + rig.Panel(2), "") << what;
        EXPECT_EQ(Controls(f).StatusBar1->PanelWidth(1), w1) << what;
        EXPECT_EQ(Controls(f).StatusBar1->PanelWidth(2), w2) << what;
    };
    rig.files.answers = {rig.dir.filePath("next.DTA")};
    emptiesKeepingWidths("新規ファイル", [&] { f.MenuFileNewClick(); });
    rig.files.answers = {data};
    f.MenuRefLoadFileClick();
    ASSERT_TRUE(f.Document().fRefExist && !f.Document().fDataExist);
    emptiesKeepingWidths("データをクリア", [&] { f.MenuRefClearClick(); });
    rig.files.answers = {setting};
    emptiesKeepingWidths("設定 読込み", [&] { f.MenuOpenSettingFileClick(); });
    EXPECT_TRUE(rig.presenter.shown.empty());
}

} // namespace
