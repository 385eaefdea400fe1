#include "graph/GraphArea.h"

#include <QLabel>
#include <QWidget>
#include <algorithm>

#include "common/WindowFont.h"
#include "graph/TPaintBox.h"

namespace {

struct FormWidget {
    const char* name;
    QRect geometry;
    const char* text;
};

// The form's places and texts until the first layout; the layout moves and fills them all.
constexpr FormWidget kWaveBox{"PaintBox3", QRect(113, 28, 477, 97), nullptr};
constexpr FormWidget kSpectrumBox{"PaintBox1", QRect(116, 303, 465, 106), nullptr};
constexpr FormWidget kWaveLabels[GraphArea::kWaveLabelCount] = {
    {"LabelVoltmax", QRect(27, 31, 24, 12), "+1V"},
    {"LabelVoltzero", QRect(39, 72, 12, 12), "0"},
    {"LabelVoltmin", QRect(27, 111, 24, 12), "-1V"},
    {"LabelVoltUnit", QRect(12, 12, 12, 12), "V"},
    {"LabelTimeS", QRect(68, 137, 12, 12), "0"},
    {"LabelTimeE", QRect(540, 137, 40, 12), "100ms"},
};

template <class W> W* MakeHidden(QWidget* parent, const char* name) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->hide();
    return w;
}

TPaintBox* MakeBox(QWidget* parent, const FormWidget& form) {
    TPaintBox* box = MakeHidden<TPaintBox>(parent, form.name);
    box->setGeometry(form.geometry);
    return box;
}

} // namespace

QSize FormSizeOfClient(QSize client) {
    return QSize(client.width() + kFrameWidth, client.height() + kFrameHeight);
}

void InstallFontSubstitutions() {
    const QString family = QString::fromUtf8(kWindowFontFamily);
    const QString fallback = QString::fromLatin1(kWindowFontFallback);
    if (!QFont::substitutes(family).contains(fallback)) {
        QFont::insertSubstitution(family, fallback);
    }
}

QFont WindowFont() {
    InstallFontSubstitutions();
    QFont font(QString::fromUtf8(kWindowFontFamily));
    font.setPixelSize(kWindowFontPixels);
    return font;
}

GraphArea::GraphArea(QWidget* client) : client_(client) {
    waveBox_ = MakeBox(client, kWaveBox);
    spectrumBox_ = MakeBox(client, kSpectrumBox);
    for (int i = 0; i < kWaveLabelCount; ++i) {
        QLabel* l = MakeHidden<QLabel>(client, kWaveLabels[i].name);
        l->setGeometry(kWaveLabels[i].geometry);
        l->setText(QString::fromLatin1(kWaveLabels[i].text));
        waveLabels_[i] = l;
    }
}

GraphArea::~GraphArea() {
    graph_.reset(); // before the boxes and labels it refers to (the client deletes those)
}

void GraphArea::CreateDbLabels() {
    for (auto& label : dbLabels_) {
        label = MakeHidden<QLabel>(client_, "TLabel_dB");
    }
}

void GraphArea::CreateFreqLabels() {
    for (auto& label : freqLabels_) {
        label = MakeHidden<QLabel>(client_, "TLabel_Freq");
    }
}

void GraphArea::CreateGraph(GraphSetting& graphSetting, ADUnitSetting& acqSetting,
                            SampleBlock& measured, SampleBlock& reference) {
    graphSetting_ = &graphSetting;
    // The labels and boxes live in the client area, so it is the graph's window.
    graph_ = std::make_unique<::FFTGraph>(client_, spectrumBox_, waveBox_, AxisLabels(),
                                          graphSetting, acqSetting, measured, reference);
}

void GraphArea::Build(GraphSetting& graphSetting, ADUnitSetting& acqSetting, SampleBlock& measured,
                      SampleBlock& reference) {
    CreateDbLabels();
    CreateFreqLabels();
    CreateGraph(graphSetting, acqSetting, measured, reference);
}

void GraphArea::StackUnder(QWidget* widget) {
    waveBox_->stackUnder(widget);
    spectrumBox_->stackUnder(widget);
    for (QLabel* l : waveLabels_) {
        l->stackUnder(widget);
    }
}

std::array<QLabel*, kAxisLabelCount> GraphArea::AxisLabels() const {
    std::array<QLabel*, kAxisLabelCount> labels{};
    auto out = std::copy(freqLabels_.begin(), freqLabels_.end(), labels.begin());
    out = std::copy(dbLabels_.begin(), dbLabels_.end(), out);
    std::copy(waveLabels_.begin(), waveLabels_.end(), out);
    return labels;
}

void GraphArea::Relayout() {
    if (!graph_) {
        return;
    }
    graph_->UpdateAxisLabels();
    graph_->PlaceControls();
    // The boxes change size when the waveform graph is switched on or off; the bitmaps follow.
    graph_->ResizeBitmaps();
    graph_->ClearGraphs();
}

void GraphArea::DrawBlocks(bool measured, bool reference) {
    if (!graph_ || !(measured || reference)) {
        return;
    }
    // The axis labels are updated and placed only with the waveform graph: its value and time
    // labels follow the block just drawn, while the spectrum's labels follow the settings alone
    // and were laid out with the window.
    const bool wave = graphSetting_->fWaveGraph;
    if (measured && reference) {
        graph_->DrawSpectrumWithRef();
        if (wave) {
            graph_->DrawWaveformWithRef();
        }
    } else {
        const auto which = measured ? ::FFTGraph::Which::Measured : ::FFTGraph::Which::Reference;
        graph_->DrawSpectrum(which);
        if (wave) {
            graph_->DrawWaveform(which);
        }
    }
    if (wave) {
        graph_->UpdateAxisLabels();
        graph_->PlaceControls();
    }
}
