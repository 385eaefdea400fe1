// The two settings dialogs driven through their controls as a user would: list picks, clicks
// on boxes and buttons. The colour and file choices are answered by a scripted chooser.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>

#include "dialogs/Amp_setting.h"
#include "dialogs/Fft_setting.h"
#include "dialogs/SettingChooser.h"
#include "dialogs/dialog_test_helpers.h"
#include "files/SettingRules.h"
#include "files/ZF_File.h"
#include "files/setting_rule_cases.h"

namespace {

QApplication& App() {
    static int argc = 1;
    static char name[] = "tavrin_dialogs_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

class ScriptedChooser : public ISettingChooser {
public:
    std::optional<int32_t> ChooseColor(QWidget*, int32_t current) override {
        colorsShown.push_back(current);
        return color;
    }
    QString ChooseSaveFile(QWidget*, const QString& initial) override {
        initials.push_back(initial);
        if (files.empty()) {
            return {};
        }
        QString f = files.front();
        files.pop_front();
        return f;
    }
    void ShowError(QWidget*, const QString& caption, const QString& text) override {
        errors.push_back(caption + "|" + text);
    }
    std::optional<int32_t> color;
    std::vector<int32_t> colorsShown; // the colour each choice started from
    std::deque<QString> files;        // answers of the file selection; none left: cancelled
    std::vector<QString> initials;
    std::vector<QString> errors;
};

// The stored settings must pass the settings file reader: written and read back unchanged.
void ExpectFileRoundTrip(const GraphSetting& g, const MeasureSetting& m) {
    QTemporaryDir dir;
    const std::string name = dir.filePath("t.prf").toStdString();
    ZF_File file;
    ASSERT_TRUE(file.WriteSettingFile(name, "Tavrinini", g, m, ADUnitSetting{}));
    GraphSetting g2;
    MeasureSetting m2;
    ADUnitSetting a2;
    ASSERT_TRUE(file.ReadSettingFile(name, "Tavrinini", g2, m2, a2));
    EXPECT_TRUE(g2 == g);
    EXPECT_TRUE(CheckdBRange(g2));
}

struct FftRig {
    void Open() { dlg.Setup(graph, measure, cancelled); }
    void Set() { Find<QPushButton>(dlg, "SetBtn")->click(); }
    template <class W> W* operator()(const char* name) { return Find<W>(dlg, name); }
    QApplication& app = App();
    ScriptedChooser chooser;
    TFormFFTSetting dlg{nullptr, &chooser};
    GraphSetting graph;
    MeasureSetting measure;
    bool cancelled = true;
};

TEST(FftSettingDialog, LevelRangesStayOrderedAndStoreWhatTheReaderAccepts) {
    FftRig r;
    auto* top = r.operator()<QComboBox>("ComboBoxdBS");
    auto* bottom = r.operator()<QComboBox>("ComboBoxdBE");
    auto* abso = r.operator()<QCheckBox>("CheckBoxAbsodB");
    // A bottom index below 3 shows -10 dB and is stored as 3.
    r.graph.index_dB_min = 1;
    r.graph.index_dB_max = 0;
    r.Open();
    EXPECT_EQ(bottom->currentText(), "－１０ｄＢ");
    r.Set();
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.graph.index_dB_min, 3);
    ExpectFileRoundTrip(r.graph, r.measure);

    // A top at or below the bottom moves the bottom 10 dB below it.
    r.graph.index_dB_max = 2;
    r.graph.index_dB_min = 8; // -60 dB
    r.Open();
    Pick(top, 9);                         // -70 dB
    EXPECT_EQ(bottom->currentIndex(), 7); // -80 dB
    Pick(bottom, 3);                      // -40 dB: the top follows to -30 dB
    EXPECT_EQ(top->currentIndex(), 5);
    r.Set();
    EXPECT_EQ(r.graph.index_dB_max, 5);
    EXPECT_EQ(r.graph.index_dB_min, 6);

    // Relative scale: the top is fixed at 0 dB, the bottom moves freely.
    r.Open();
    abso->click();
    EXPECT_FALSE(top->isEnabled());
    EXPECT_EQ(top->currentIndex(), 2);
    Pick(top, 12);
    EXPECT_EQ(top->currentIndex(), 2);
    Pick(bottom, 0);
    EXPECT_EQ(top->currentIndex(), 2);
    r.Set();
    EXPECT_FALSE(r.graph.fAbsoGraph);
    EXPECT_EQ(r.graph.index_dB_max, 2);
    EXPECT_EQ(r.graph.index_dB_min, 3);
    ExpectFileRoundTrip(r.graph, r.measure);

    // A hand-edited value outside the lists is shown as the nearest entry and stored in range.
    r.graph.fAbsoGraph = true;
    r.graph.index_dB_max = 40;
    r.graph.index_dB_min = 99;
    r.graph.DataCountSel = -5;
    r.graph.whichWindowFunc = 7;
    r.Open();
    r.Set();
    EXPECT_EQ(r.graph.index_dB_max, 16);
    EXPECT_EQ(r.graph.index_dB_min, 20);
    EXPECT_EQ(r.graph.DataCountSel, 0);
    EXPECT_EQ(r.graph.DataCountMax, 1024);
    ExpectFileRoundTrip(r.graph, r.measure);
}

TEST(FftSettingDialog, AxisTypeAndFrequencyRangeKeepStartBelowEnd) {
    FftRig r;
    auto* start = r.operator()<QComboBox>("ComboBoxFreqS");
    auto* end = r.operator()<QComboBox>("ComboBoxFreqE");
    r.graph.index_FreqS = 3; // 1 Hz
    r.graph.index_FreqE = 18;
    r.Open();
    EXPECT_EQ(end->count(), 13);
    EXPECT_EQ(end->currentText(), "１００kHz");
    EXPECT_EQ(start->itemText(15), "１０kHz");
    // A click on the axis type already selected changes nothing.
    r.operator()<QRadioButton>("RadioLog")->click();
    EXPECT_EQ(end->currentText(), "１００kHz");

    // Switching the axis type resets the end to 10 kHz; linear disables the start list.
    r.operator()<QRadioButton>("RadioLinear")->click();
    EXPECT_EQ(end->count(), 14);
    EXPECT_EQ(end->currentText(), "１０kHz");
    EXPECT_EQ(end->itemText(13), "６４kHz");
    EXPECT_FALSE(start->isEnabled());
    EXPECT_EQ(start->currentIndex(), 3);
    Pick(end, 13);
    r.Set();
    EXPECT_FALSE(r.graph.fLogGraph);
    EXPECT_EQ(r.graph.index_FreqS, 3);
    EXPECT_EQ(r.graph.index_FreqE, 19);
    ExpectFileRoundTrip(r.graph, r.measure);

    r.Open();
    r.operator()<QRadioButton>("RadioLog")->click();
    EXPECT_TRUE(start->isEnabled());
    EXPECT_EQ(end->count(), 13);
    EXPECT_EQ(end->currentIndex(), 9);
    // A start at or above the end moves the end one step above it, and the other way round.
    Pick(start, 15); // 10 kHz
    EXPECT_EQ(end->currentText(), "２０kHz");
    Pick(end, 2); // 50 Hz: the start goes to 20 Hz
    EXPECT_EQ(start->currentText(), "２０Ｈｚ");
    // Start at 10 kHz, then the axis switch: the end cannot stay on 10 kHz.
    Pick(start, 15);
    r.operator()<QRadioButton>("RadioLinear")->click();
    Pick(end, 0); // on the linear axis too, the stored start must stay below the end
    r.Set();
    EXPECT_LT(r.graph.index_FreqS, r.graph.index_FreqE);
    ExpectFileRoundTrip(r.graph, r.measure);

    // 65536 samples.
    r.Open();
    Pick(r.operator()<QComboBox>("ComboBoxDNum"), 6);
    r.Set();
    EXPECT_EQ(r.graph.DataCountSel, 6);
    EXPECT_EQ(r.graph.DataCountMax, 65536);
}

TEST(FftSettingDialog, AutomaticSaveFileSelection) {
    FftRig r;
    auto* save = r.operator()<QCheckBox>("CheckSaveData");
    auto* edit = r.operator()<QLineEdit>("EditFileName");
    QTemporaryDir dir;
    r.measure.StartDateTime = "2026/01/02 03:04:05";
    r.Open();
    EXPECT_FALSE(save->isChecked());
    // Checking without a chosen file opens the selection at once; cancelled: unchecked again.
    save->click();
    ASSERT_EQ(r.chooser.initials.size(), 1u);
    EXPECT_EQ(r.chooser.initials[0], "*.DTA");
    EXPECT_FALSE(save->isChecked());
    // A relative name (not a path of this system) is not taken either.
    r.chooser.files = {"data"};
    save->click();
    EXPECT_FALSE(save->isChecked());
    EXPECT_TRUE(r.dlg.ChosenFile().isEmpty());

    // A name without a dot gets ".DTA"; a dotted folder does not count as an extension.
    const QString folder = dir.filePath("測定.v1");
    r.chooser.files = {folder + "/data"};
    save->click();
    EXPECT_TRUE(save->isChecked());
    EXPECT_EQ(r.dlg.ChosenFile(), folder + "/data.DTA");
    EXPECT_LE(edit->text().size(), 32) << edit->text().toStdString();
    EXPECT_TRUE(edit->text().endsWith("/...測定.v1/data.DTA")) << edit->text().toStdString();
    // Unchecking changes nothing else; checking again needs no new selection.
    save->click();
    save->click();
    EXPECT_EQ(r.chooser.initials.size(), 3u);
    EXPECT_TRUE(save->isChecked());
    r.Set();
    EXPECT_TRUE(r.measure.fSaveDataFile);
    EXPECT_EQ(r.measure.DataFilePath, (folder + "/data.DTA").toStdString());
    EXPECT_EQ(r.measure.StartDateTime, "2026/01/02 03:04:05");

    // The file button proposes the current name; an extension anywhere in the name stays.
    r.Open();
    r.chooser.files = {dir.filePath("b.txt.old")};
    r.operator()<QPushButton>("FileBtn")->click();
    EXPECT_EQ(r.chooser.initials.back(), folder + "/data.DTA");
    EXPECT_EQ(r.dlg.ChosenFile(), dir.filePath("b.txt.old"));

    // Default then Set: saving off, start time empty, the file name stays the chosen one.
    r.operator()<QCheckBox>("CheckWaveGraph")->click();
    r.operator()<QPushButton>("DefaultBtn")->click();
    EXPECT_FALSE(save->isChecked());
    EXPECT_TRUE(edit->text().isEmpty());
    r.Set();
    EXPECT_TRUE(r.graph == GraphSetting{});
    EXPECT_FALSE(r.measure.fSaveDataFile);
    EXPECT_TRUE(r.measure.StartDateTime.empty());
    EXPECT_EQ(r.measure.DataFilePath, dir.filePath("b.txt.old").toStdString());
    EXPECT_EQ(r.measure.DataFileName, r.measure.DataFilePath); // ASCII: the same text
}

// Refusing Set without a data file is checked through the main window's settings command.
TEST(FftSettingDialog, ColourChoiceShowsAndCancelChangesNothing) {
    FftRig r;
    r.measure.fSaveDataFile = true;
    TFormFFTSetting fresh(nullptr, &r.chooser);
    fresh.Setup(r.graph, r.measure, r.cancelled);
    fresh.show();

    // Colours: a click on a box asks for a colour, which the box shows and Set stores.
    r.chooser.color = 0x0080FF;
    auto* box = Find<QFrame>(fresh, "PaintBox2");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), box->mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box, &press);
    EXPECT_EQ(r.chooser.colorsShown, std::vector<int32_t>({r.graph.PenColorMainAxis}));
    const QImage img = box->grab().toImage();
    EXPECT_EQ(img.pixelColor(img.width() / 2, img.height() / 2), QColor(0xFF, 0x80, 0x00));
    // Cancel: nothing reaches the records.
    const GraphSetting before = r.graph;
    Find<QPushButton>(fresh, "CancelBtn")->click();
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(fresh.isVisible());
    EXPECT_TRUE(r.graph == before);
    EXPECT_TRUE(r.measure.fSaveDataFile);
}

TEST(FftSettingDialog, QtColourDialogOpensOnTheCurrentColour) {
    App();
    QColor shown;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->currentColor();
        dialog->accept(); // OK at once
    });
    EXPECT_EQ(QtSettingChooser().ChooseColor(nullptr, 0x0080FF), 0x0080FF);
    EXPECT_EQ(shown, QColor(0xFF, 0x80, 0x00));
}

TEST(AmpSettingDialog, RateListFollowsTheFilterAndSetStoresOnlyRealRates) {
    App();
    TFormAmpSetting dlg;
    auto* list = Find<QComboBox>(dlg, "ComboBox1");
    ADUnitSetting unit;
    unit.spsSel = 3;
    unit.sinc3 = false;
    bool cancelled = false;
    dlg.Setup(unit, cancelled);
    EXPECT_EQ(list->count(), 17);
    EXPECT_EQ(list->currentText(), "49.96sps");
    EXPECT_TRUE(Find<QRadioButton>(dlg, "Sinc5_RBtn")->isChecked());
    EXPECT_TRUE(Find<QRadioButton>(dlg, "CH0_RBtn")->isChecked());
    // The filter acts at once, keeping the selected entry.
    Find<QRadioButton>(dlg, "Sinc3_RBtn")->click();
    EXPECT_TRUE(unit.sinc3);
    EXPECT_EQ(list->currentIndex(), 3);
    EXPECT_EQ(list->currentText(), "50sps");
    EXPECT_EQ(list->itemText(4), "60sps");

    // CH1 and a typed rate that is an entry; typed text naming none keeps the rate.
    Find<QRadioButton>(dlg, "CH1_RBtn")->click();
    list->setEditText("25ksps");
    Find<QPushButton>(dlg, "SetBtn")->click();
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(unit.spsSel, 12);
    EXPECT_EQ(unit.ch_sel, 1);
    dlg.Setup(unit, cancelled);
    EXPECT_TRUE(Find<QRadioButton>(dlg, "CH1_RBtn")->isChecked());
    list->setEditText("300ksps");
    Find<QRadioButton>(dlg, "CH0_RBtn")->click();
    Find<QPushButton>(dlg, "SetBtn")->click();
    EXPECT_EQ(unit.spsSel, 12);
    EXPECT_EQ(unit.ch_sel, 0);
    EXPECT_EQ(list->count(), 17) << "typed text never becomes an entry";

    // Default acts at once and stays after Cancel.
    dlg.Setup(unit, cancelled);
    Find<QPushButton>(dlg, "DefaultBtn")->click();
    EXPECT_EQ(list->currentText(), "125ksps");
    EXPECT_TRUE(Find<QRadioButton>(dlg, "Sinc5_RBtn")->isChecked());
    Find<QPushButton>(dlg, "CancelBtn")->click();
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(unit == ADUnitSetting{});
}

// The dialog's level range check is the one the settings-load command applies: for every
// section the readers accept, it agrees with the shared table.
TEST(FftSettingDialog, LevelRangeCheckAgreesWithTheSharedTable) {
    QTemporaryDir dir;
    for (const auto& c : setting_rules::Cases()) {
        if (!c.reads) {
            continue;
        }
        const std::string prf =
            setting_rules::WriteSettingCase(dir.filePath("c.prf").toStdString(), c);
        GraphSetting g;
        MeasureSetting m;
        ADUnitSetting a;
        ASSERT_TRUE(ZF_File().ReadSettingFile(prf, "Tavrinini", g, m, a)) << c.name;
        EXPECT_EQ(CheckdBRange(g), c.opens) << c.name;
    }
}

} // namespace
