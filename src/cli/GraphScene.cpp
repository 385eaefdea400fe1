#include "cli/GraphScene.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

#include "document/MeasurementDocument.h"

namespace {

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
    client_.setFont(WindowFont());
    client_.resize(clientSize);
    // The window adopts the file's AD settings as its acquisition settings.
    graphs_ = std::make_unique<GraphArea>(&client_);
    graphs_->Build(data_.graphSetting, acqSetting_, data_.curBlock, refBlock_);
    readouts_.EditPeakVolt = new QLineEdit(&client_);
    readouts_.EditPeakdB = new QLineEdit(&client_);
    readouts_.EditPeakHz = new QLineEdit(&client_);
    for (QLineEdit* e : {readouts_.EditPeakVolt, readouts_.EditPeakdB, readouts_.EditPeakHz}) {
        e->hide();
    }
}

GraphScene::~GraphScene() = default;

void GraphScene::ShowAsLoaded() {
    graphs_->Relayout();
    graphs_->DrawBlocks(true, false);
    Graph().ShowLargestPeak(data_.curBlock, readouts_, nullptr);
}

QImage GraphScene::Render() {
    QImage image(client_.size(), QImage::Format_RGB32);
    image.fill(client_.palette().color(QPalette::Window));
    client_.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}
