// The main window's graph area without the window: the two graph boxes, the 46 axis labels and
// the three peak read-outs in a client area of the window's size and font, driven through the
// same FFTGraph calls the window makes after loading a data file. Needs a QApplication.
#pragma once

#include <QImage>
#include <QSize>
#include <QWidget>
#include <array>
#include <memory>

#include "graph/GraphArea.h"

class MeasurementDocument;

// The client area of the main window at its default size.
inline constexpr QSize kDefaultClientSize(kDesignClientWidth, kDesignClientHeight);

class GraphScene {
public:
    // The scene draws the document's measured block with its settings; no reference block.
    GraphScene(MeasurementDocument& document, QSize clientSize = kDefaultClientSize);
    ~GraphScene();
    GraphScene(const GraphScene&) = delete;
    GraphScene& operator=(const GraphScene&) = delete;

    // What the window does once measured data is loaded: axes, placement, bitmaps, empty
    // grids, the curves, and the largest peak in the read-outs.
    void ShowAsLoaded();
    // The client area as the window shows it, with only the graphs and their axis labels.
    QImage Render();

    FFTGraph& Graph() { return *graphs_->Graph(); }
    const PeakReadouts& Readouts() const { return readouts_; }

private:
    MeasurementDocument& data_;
    ADUnitSetting acqSetting_;
    SampleBlock refBlock_; // empty: a loaded file shows no reference
    QWidget client_;
    std::unique_ptr<GraphArea> graphs_;
    PeakReadouts readouts_;
};

// A QApplication on the offscreen platform for the commands that draw, made only when the
// process has none; it lives as long as this object.
class GuiSession {
public:
    GuiSession();
    ~GuiSession();
    GuiSession(const GuiSession&) = delete;
    GuiSession& operator=(const GuiSession&) = delete;

private:
    std::unique_ptr<class QApplication> app_;
};
