#include <gtest/gtest.h>

#include "graph/graph_harness.h"

#include <QLabel>

namespace {

// What a layout leaves on screen: each axis label's text, place and visibility, and both boxes.
struct Screen {
    std::vector<QString> texts;
    std::vector<QRect> places;
    std::vector<bool> shown;
    QImage spectrum, wave;
    bool operator==(const Screen&) const = default;
};

Screen Capture(GraphHarness& h) {
    Screen s;
    for (QLabel* l : h.labels) {
        s.texts.push_back(l->text());
        s.places.push_back(l->geometry());
        s.shown.push_back(!l->isHidden());
    }
    s.spectrum = h.graph->SpectrumBitmap().image;
    s.wave = h.graph->WaveBitmap().image;
    return s;
}

// The window's graph calls one by one, as each command wrote them out before the area had
// them: axes, placement, bitmaps, grids, the curves of both blocks, the waveform labels again.
void StepByStep(GraphHarness& h, bool relayout) {
    FFTGraph& g = *h.graph;
    if (relayout) {
        g.UpdateAxisLabels();
        g.PlaceControls();
        g.ResizeBitmaps();
        g.ClearGraphs();
    }
    g.DrawSpectrumWithRef();
    if (h.graphSetting.fWaveGraph) {
        g.DrawWaveformWithRef();
        g.UpdateAxisLabels();
        g.PlaceControls();
    }
}

void Toggle(GraphHarness& h, bool wave) {
    h.graphSetting.fWaveGraph = wave;
    h.graphSetting.fLogGraph = !wave;
}

} // namespace

// The window, tavrin-cli and the harness share this tree: the form's widgets first, in the
// form's order, then the dB and the frequency labels, all hidden until the first layout.
TEST(GraphArea, BuildsTheWindowsTreeInItsOrder) {
    GraphHarness h;
    GraphArea& a = *h.area;
    EXPECT_EQ(a.SpectrumBox()->objectName(), "PaintBox1");
    EXPECT_EQ(a.WaveBox()->objectName(), "PaintBox3");
    const auto labels = a.AxisLabels();
    EXPECT_EQ(labels[0], a.FreqLabels()[0]);
    EXPECT_EQ(labels[kFreqLabelCount], a.DbLabels()[0]);
    EXPECT_EQ(labels[40], a.Wave(GraphArea::VoltMax));
    EXPECT_EQ(labels[45], a.Wave(GraphArea::TimeEnd));
    EXPECT_EQ(a.Wave(GraphArea::TimeEnd)->objectName(), "LabelTimeE");
    EXPECT_EQ(h.graph->TimeEndLabel(), a.Wave(GraphArea::TimeEnd));
    EXPECT_EQ(h.graph->DbLabel(3), a.DbLabels()[3]);

    const QObjectList& children = h.window.children();
    const auto at = [&](const QObject* o) { return children.indexOf(o); };
    EXPECT_LT(at(a.WaveBox()), at(a.SpectrumBox()));
    EXPECT_LT(at(a.SpectrumBox()), at(a.Wave(GraphArea::VoltMax)));
    EXPECT_LT(at(a.Wave(GraphArea::TimeEnd)), at(a.DbLabels()[0]));
    EXPECT_LT(at(a.DbLabels()[20]), at(a.FreqLabels()[0]));
    for (QLabel* l : labels) {
        EXPECT_TRUE(l->isHidden());
    }
    EXPECT_EQ(FormSizeOfClient(QSize(812, 466)), QSize(820, 512));
}

// One relayout and one redraw give what the calls one by one gave, also when the waveform graph
// is switched on or off between two layouts (the boxes and bitmaps change size).
TEST(GraphArea, RelayoutAndDrawBlocksAreTheWindowsSequence) {
    GraphHarness area, steps;
    for (GraphHarness* h : {&area, &steps}) {
        h->Fill(h->curBlock, SignalSpec{});
        SignalSpec ref;
        ref.freqHz = 3000;
        ref.amplitude = 0.25;
        h->Fill(h->refBlock, ref);
        h->fDataExist = h->fRefExist = true;
    }
    for (bool wave : {true, false, true}) {
        Toggle(area, wave);
        Toggle(steps, wave);
        area.area->Relayout();
        area.area->DrawBlocks(true, true);
        StepByStep(steps, true);
        EXPECT_TRUE(Capture(area) == Capture(steps)) << "waveform graph " << wave;
    }
    // A new block drawn without a relayout (the end of a measurement): the waveform's value
    // labels follow it.
    for (GraphHarness* h : {&area, &steps}) {
        SignalSpec louder;
        louder.amplitude = 2;
        h->Fill(h->curBlock, louder);
    }
    const QString before = area.labels[40]->text();
    area.area->DrawBlocks(true, true);
    StepByStep(steps, false);
    EXPECT_NE(area.labels[40]->text(), before);
    EXPECT_TRUE(Capture(area) == Capture(steps));
}
