#include "cli/GraphScene.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include "cli/DataLoad.h"
#include "graph/TPaintBox.h"

namespace {

// The main window's font; its Windows family falls back to IPA P Gothic, as in the window.
const QString kWindowFontFamily = QStringLiteral("ＭＳ Ｐゴシック");
constexpr int kWindowFontPixels = 12;
// The frame of the original window around the client area, as the graph layout expects it.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 46;

// Qt's start-up remarks about the desktop session (no runtime directory and the like) mean
// nothing to a command that draws offscreen; every other message goes through.
QtMessageHandler previousHandler = nullptr;
void FilterStartupNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type <= QtWarningMsg && text.startsWith(QLatin1String("QStandardPaths:"))) {
        return;
    }
    previousHandler(type, context, text);
}

} // namespace

GuiSession::GuiSession() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    // Drawing needs no display: the offscreen platform, whatever QT_QPA_PLATFORM says.
    static int argc = 3;
    static char name[] = "tavrin-cli";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    argc = 3;
    previousHandler = qInstallMessageHandler(FilterStartupNoise);
    app_ = std::make_unique<QApplication>(argc, argv);
}

GuiSession::~GuiSession() {
    if (app_) {
        app_.reset();
        qInstallMessageHandler(previousHandler);
    }
}

GraphScene::GraphScene(MeasurementDocument& document, QSize clientSize)
    : data_(document), acqSetting_(document.acqSetting) {
    if (!QFont::substitutes(kWindowFontFamily).contains(QStringLiteral("IPAPGothic"))) {
        QFont::insertSubstitution(kWindowFontFamily, QStringLiteral("IPAPGothic"));
    }
    QFont font(kWindowFontFamily);
    font.setPixelSize(kWindowFontPixels);
    client_.setFont(font);
    client_.resize(clientSize);

    // Children in the window's order (it matters only where they overlap): the two boxes and
    // the six waveform labels of the form, then the dB and the frequency labels.
    waveBox_ = new TPaintBox(&client_);
    spectrumBox_ = new TPaintBox(&client_);
    std::array<QLabel*, kAxisLabelCount> labels{};
    for (int i = 40; i < kAxisLabelCount; ++i) {
        labels[i] = new QLabel(&client_);
    }
    for (int i = 0; i < kDbLabelCount; ++i) {
        labels[kFreqLabelCount + i] = new QLabel(&client_);
    }
    for (int i = 0; i < kFreqLabelCount; ++i) {
        labels[i] = new QLabel(&client_);
    }
    for (QLabel* l : labels) {
        l->hide();
    }
    spectrumBox_->hide();
    waveBox_->hide();
    readouts_.EditPeakVolt = new QLineEdit(&client_);
    readouts_.EditPeakdB = new QLineEdit(&client_);
    readouts_.EditPeakHz = new QLineEdit(&client_);
    for (QLineEdit* e : {readouts_.EditPeakVolt, readouts_.EditPeakdB, readouts_.EditPeakHz}) {
        e->hide();
    }

    // The window adopts the file's AD settings as its acquisition settings.
    graph_ = std::make_unique<FFTGraph>(&client_, spectrumBox_, waveBox_, labels,
                                        data_.graphSetting, acqSetting_, data_.curBlock, refBlock_);
    graph_->SetFormSizeSource(
        [this] { return QSize(client_.width() + kFrameWidth, client_.height() + kFrameHeight); });
}

GraphScene::~GraphScene() {
    graph_.reset(); // before the boxes and labels it refers to
}

void GraphScene::ShowAsLoaded() {
    FFTGraph& g = *graph_;
    g.UpdateAxisLabels();
    g.PlaceControls();
    g.ResizeBitmaps();
    g.ClearGraphs();
    g.DrawSpectrum(FFTGraph::Which::Measured);
    if (data_.graphSetting.fWaveGraph) {
        g.DrawWaveform(FFTGraph::Which::Measured);
        g.UpdateAxisLabels();
        g.PlaceControls();
    }
    g.ShowLargestPeak(data_.curBlock, readouts_, nullptr);
}

QImage GraphScene::Render() {
    QImage image(client_.size(), QImage::Format_RGB32);
    image.fill(client_.palette().color(QPalette::Window));
    client_.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}
