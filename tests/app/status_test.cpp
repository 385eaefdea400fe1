#include <gtest/gtest.h>

#include <QFontMetrics>

#include <QLabel>
#include <QMouseEvent>

#include "app/Mystatus.h"
#include "app/ProgressThrottle.h"
#include "app/StatusPanels.h"
#include "app/app_test_helpers.h"

namespace {
class StatusTest : public ::testing::Test {
protected:
    QApplication& app = TestApp(); // before any widget
    TStatusPanels bar;
    TmyStatus status{bar, "TORVEX24", 2};
};

TEST_F(StatusTest, FixedTextsGoToThePanelOfTheirRole) {
    struct Case {
        void (*show)(TmyStatus&);
        int panel;
        const char* text;
    };
    const Case cases[] = {
        {[](TmyStatus& s) { s.ShowUnitInfo("TORVEX24", "V1.02", "125ksps"); }, 0,
         "TORVEX24/ V1.02/ 125ksps"},
        {[](TmyStatus& s) { s.ShowNotFound(); }, 0, "TORVEX24が見つかりませんでした"},
        {[](TmyStatus& s) { s.ShowNoResponse(); }, 0, "TORVEX24応答しませんでした"},
        {[](TmyStatus& s) { s.ShowCommandError(); }, 0, "コマンド送信エラーです"},
        {[](TmyStatus& s) { s.ShowMeasuring(); }, 1, "計測中です"},
        {[](TmyStatus& s) { s.ShowMeasureEnd(); }, 1, "計測終了しました"},
        {[](TmyStatus& s) { s.ShowMeasureStopped(); }, 1, "計測中止しました"},
        {[](TmyStatus& s) { s.ShowDataLoaded(); }, 1, "データファイル読み込みました"},
        {[](TmyStatus& s) { s.ShowRefLoaded(); }, 1, "参照データを読み込みました"},
        {[](TmyStatus& s) { s.ShowStarting(); }, 2, "測定開始処理中です。。。"},
        {[](TmyStatus& s) { s.ShowProgress(512, 8388608); }, 2,
         "データ番号：512 / AD変換値：8388608"},
        {[](TmyStatus& s) { s.ShowMeasureError(); }, 2, "計測エラーで終了"},
        {[](TmyStatus& s) { s.ShowLevelError(); }, 2, "入力信号レベルが適正範囲からはずれています"},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 3; ++i) {
            bar.SetPanelText(i, "old");
        }
        c.show(status);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(bar.PanelText(i), i == c.panel ? QString::fromUtf8(c.text) : "old")
                << c.text << " panel " << i;
        }
    }
}

TEST_F(StatusTest, ClearPanelsEmptiesStateAndResultButKeepsWidths) {
    status.ShowUnitInfo("TORVEX24", "V1", "5sps");
    status.ShowMeasuring();
    status.ShowLevelError();
    const int w1 = bar.PanelWidth(1);
    const int w2 = bar.PanelWidth(2);
    status.ClearPanels();
    EXPECT_EQ(bar.PanelText(0), "TORVEX24/ V1/ 5sps");
    EXPECT_EQ(bar.PanelText(1), "");
    EXPECT_EQ(bar.PanelText(2), "");
    EXPECT_EQ(bar.PanelWidth(1), w1);
    EXPECT_EQ(bar.PanelWidth(2), w2);
}

TEST_F(StatusTest, PanelsAboveTheHighestIndexAreNeverWritten) {
    TmyStatus limited(bar, "TORVEX24", 1);
    limited.ShowStarting();
    limited.SetPanel("x", 3);
    limited.SetPanel("x", -1);
    EXPECT_EQ(bar.PanelText(2), "");
    EXPECT_EQ(bar.PanelWidth(2), TStatusPanels::kInitialPanelWidth);
    limited.ShowMeasuring();
    EXPECT_EQ(bar.PanelText(1), "計測中です");
}

TEST(StatusPanelWidth, TextWidthPlusTenButAtLeast110) {
    EXPECT_EQ(StatusPanelWidth(40), 110);
    EXPECT_EQ(StatusPanelWidth(300), 310);
    EXPECT_EQ(StatusPanelWidth(100), 110);
    EXPECT_EQ(StatusPanelWidth(101), 111);
    EXPECT_EQ(StatusPanelWidth(0), 110);
}

TEST_F(StatusTest, PanelWidthFollowsTheTextInTheStatusBarsFont) {
    status.ShowMeasuring(); // short text
    const QFontMetrics fm(bar.font());
    ASSERT_LE(fm.horizontalAdvance("計測中です"), 100);
    EXPECT_EQ(bar.PanelWidth(1), 110);
    status.ShowLevelError(); // long text
    const int w = fm.horizontalAdvance("入力信号レベルが適正範囲からはずれています");
    ASSERT_GT(w, 100);
    EXPECT_EQ(bar.PanelWidth(2), w + 10);
    EXPECT_EQ(bar.TextWidth("入力信号レベルが適正範囲からはずれています"), w);
}

TEST(CodeStatistics, DeviationHasOneDecimalBelow100AndNoneFrom100) {
    EXPECT_EQ(CodeStatisticsText(8388618, 8388598, 99.96f),
              "最大値：8388618 / 最小値：8388598 / pp値：20 digit / 標準偏差：100.0 digit");
    EXPECT_EQ(CodeStatisticsText(8388618, 8388598, 100.0f),
              "最大値：8388618 / 最小値：8388598 / pp値：20 digit / 標準偏差：100 digit");
    EXPECT_EQ(CodeStatisticsText(10, 1, 4.5f),
              "最大値：10 / 最小値：1 / pp値：9 digit / 標準偏差：4.5 digit");
    // The widest range of codes does not overflow the peak-to-peak value.
    EXPECT_EQ(CodeStatisticsText(16777215, 0, 1234.4f),
              "最大値：16777215 / 最小値：0 / pp値：16777215 digit / 標準偏差：1234 digit");
}

TEST(FormatMicrovolts, UnitByMagnitudeWithThreeDecimals) {
    EXPECT_EQ(FormatMicrovolts(2500000.0f), "2.500 V");
    EXPECT_EQ(FormatMicrovolts(-1500.0f), "-1.500 mV");
    EXPECT_EQ(FormatMicrovolts(999.9f), "999.900 uV");
    EXPECT_EQ(FormatMicrovolts(0.25f), "250.000 nV");
    // Boundaries go by the magnitude truncated to an integer.
    EXPECT_EQ(FormatMicrovolts(1000000.0f), "1.000 V");
    EXPECT_EQ(FormatMicrovolts(999999.9f), "1000.000 mV");
    EXPECT_EQ(FormatMicrovolts(1.0f), "1.000 uV");
    EXPECT_EQ(FormatMicrovolts(0.9999f), "999.900 nV");
    EXPECT_EQ(FormatMicrovolts(-0.5f), "-500.000 nV");
    EXPECT_EQ(FormatMicrovolts(0.0f), "0.000 nV");
}

TEST(VoltStatistics, IdeographicSpacesBeforeMinimumAndPeakToPeak) {
    const QString text = VoltStatisticsText(2500000.0f, -1000.0f, 0.25f);
    EXPECT_EQ(text, QStringLiteral("最大値：2.500 V\u3000/最小値：-1.000 mV\u3000/p-p値：2.501 V / "
                                   "標準偏差：250.000 nV"));
    EXPECT_EQ(text.count(QChar(0x3000)), 2);
}

TEST_F(StatusTest, StatisticsOperationsWritePanel2) {
    status.ShowCodeStatistics(8388618, 8388598, 4.5f);
    EXPECT_EQ(bar.PanelText(2), CodeStatisticsText(8388618, 8388598, 4.5f));
    status.ShowVoltStatistics(1.0f, -1.0f, 0.5f);
    EXPECT_EQ(bar.PanelText(2), VoltStatisticsText(1.0f, -1.0f, 0.5f));
}

} // namespace

TEST_F(StatusTest, UnitRepliesAreShownAsTheyAreNeverAsMarkup) {
    status.ShowUnitInfo("<b>TORVEX24</b>", "V&lt;2", "125ksps");
    EXPECT_EQ(bar.PanelText(0), "<b>TORVEX24</b>/ V&lt;2/ 125ksps");
    for (const QLabel* panel : bar.findChildren<QLabel*>()) {
        EXPECT_EQ(panel->textFormat(), Qt::PlainText) << panel->objectName().toStdString();
    }
}

// Each left press anywhere on the bar, on a panel or beside the panels, is exactly one click:
// the main window switches panel 2 once per click.
TEST_F(StatusTest, OneLeftPressIsOneClickOnAPanelAndBesideThem) {
    int clicks = 0;
    QObject::connect(&bar, &TStatusPanels::clicked, [&clicks] { ++clicks; });
    bar.resize(400, 20);
    bar.show();
    const auto press = [](QWidget* w, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent e(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button,
                      Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    };
    press(bar.Panel(1), QPointF(5, 5));
    EXPECT_EQ(clicks, 1) << "a press on a panel";
    press(&bar, QPointF(390, 5));
    EXPECT_EQ(clicks, 2) << "a press beside the panels";
    // A click is the left button's (the spectrum box alone reacts to any button).
    press(bar.Panel(2), QPointF(5, 5), Qt::RightButton);
    press(&bar, QPointF(390, 5), Qt::RightButton);
    EXPECT_EQ(clicks, 2) << "right-button presses";
}

namespace {
TEST(ProgressThrottleTest, ShowsTheFirstAtOnceThenTheLatestOncePerInterval) {
    TestApp();
    std::vector<std::pair<int32_t, int32_t>> shown;
    TProgressThrottle throttle([&](int32_t n, int32_t code) { shown.emplace_back(n, code); });
    // 100 groups within one interval: the first is shown, the rest wait for its end.
    for (int32_t n = 1; n <= 100; ++n) {
        throttle.Report(n * 1024, n);
    }
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], std::make_pair(1024, 1));
    EXPECT_TRUE(throttle.Pending());
    ASSERT_TRUE(ProcessEventsUntil([&] { return shown.size() == 2; }, 1000));
    EXPECT_EQ(shown[1], std::make_pair(100 * 1024, 100)) << "the latest value, not a stale one";
    // A value pending when the block ends is dropped; the next acquisition starts afresh.
    throttle.Report(5, 5);
    throttle.Report(6, 6);
    throttle.Cancel();
    EXPECT_FALSE(throttle.Pending());
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(shown.size(), 2u);
    throttle.Report(7, 7);
    EXPECT_EQ(shown.back(), std::make_pair(7, 7));
}
} // namespace
