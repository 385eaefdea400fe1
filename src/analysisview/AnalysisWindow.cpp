#include "analysisview/AnalysisWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidgetItem>

#include "analysis/FiguresReport.h"
#include "analysisview/AnalysisPlots.h"
#include "analysisview/FigureRows.h"
#include "common/WindowFont.h"
#include "files/FileWriter.h"
#include "files/UserSettings.h"
#include "ui_AnalysisWindow.h"

namespace {

constexpr const char* kKeyX = "analysis.x";
constexpr const char* kKeyY = "analysis.y";
constexpr const char* kKeyWidth = "analysis.width";
constexpr const char* kKeyHeight = "analysis.height";
constexpr const char* kKeyHarmonics = "analysis.harmonics";
constexpr const char* kKeyLogCounts = "analysis.histogram_log";
constexpr int kFarAway = 100000; // bound of a remembered position, in pixels
constexpr int kGap = 8;          // between the main window and this one

bool EndsWithCsv(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return tail == ".csv";
}

} // namespace

AnalysisWindow::AnalysisWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), ui_(std::make_unique<Ui::AnalysisWindow>()) {
    ui_->setupUi(this);
    QFont font;
    font.setFamilies(
        {QString::fromUtf8(kWindowFontFamily), QString::fromUtf8(kWindowFontFallback)});
    font.setPixelSize(kWindowFontPixels);
    setFont(font);
    ui_->figuresTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    ui_->figuresTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    ui_->figuresTable->setWordWrap(false);
    ui_->spectrumView->SetPainter([this](QImage& image) { DrawSpectrum(image); });
    ui_->histogramView->SetPainter([this](QImage& image) { DrawHistogram(image); });

    auto* copy = new QAction(this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    addAction(copy);
    connect(copy, &QAction::triggered, this, [this] { CopyFigures(); });
    // The order box would take Ctrl+C for its own digits; in this window it copies the figures.
    ui_->harmonicsSpin->installEventFilter(this);
    connect(ui_->copyButton, &QPushButton::clicked, this, [this] { CopyFigures(); });
    connect(ui_->saveButton, &QPushButton::clicked, this, [this] {
        if (analysed_) {
            emit saveRequested();
        }
    });
    connect(ui_->harmonicsSpin, &QSpinBox::valueChanged, this, [this] {
        if (haveBlock_ && isVisible()) {
            Analyse();
        }
    });
    connect(ui_->logCountsBox, &QCheckBox::toggled, ui_->histogramView, &PlotView::Invalidate);
    ShowBlock(nullptr, {});
}

AnalysisWindow::~AnalysisWindow() = default;

bool AnalysisWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        event->ignore(); // left to the window's copy shortcut
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void AnalysisWindow::ShowBlock(const SampleBlock* block, const std::string& name,
                               int64_t series, int32_t window) {
    haveBlock_ = block != nullptr && block->count > 0 && block->codes && block->volts;
    analysed_ = false;
    if (haveBlock_) {
        block_ = *block;
        name_ = name;
    }
    blockAveraged_ = false;
    if (!haveBlock_ || series == 0) {
        series_ = 0;
        average_.Release();
    } else if (series != series_ || average_.Bins() != block->count / 2 - 1) {
        series_ = average_.Start(AverageMode::Power, block->count / 2 - 1, window) ? series : 0;
    }
    if (haveBlock_ && isVisible()) {
        Analyse();
    } else {
        ui_->pages->setCurrentWidget(ui_->noDataPage);
    }
}

void AnalysisWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (haveBlock_ && !analysed_) {
        Analyse();
    }
}

void AnalysisWindow::Analyse() {
    histogramColumns_ = std::max(1, HistogramPlot::MaxColumns(ui_->histogramView->size()));
    SpectrumAverage* average = series_ != 0 ? &average_ : nullptr;
    analysed_ = analyzer_.Analyze(block_, HarmonicOrder(), figures_, average, !blockAveraged_) &&
                histogram_.Count(block_.codes, block_.count, histogramColumns_);
    if (!analysed_) {
        ui_->pages->setCurrentWidget(ui_->noDataPage);
        return;
    }
    blockAveraged_ = average != nullptr;
    ShowFigures();
    ui_->pages->setCurrentWidget(ui_->figuresPage);
    ui_->spectrumView->Invalidate();
    ui_->histogramView->Invalidate();
}

void AnalysisWindow::ShowFigures() {
    const std::vector<FigureRow> rows = FigureRows(figures_);
    QTableWidget* table = ui_->figuresTable;
    table->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < 2; ++c) {
            QTableWidgetItem* item = table->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                table->setItem(r, c, item);
            }
            item->setText(c == 0 ? rows[r].label : rows[r].value);
            QFont f = font();
            f.setBold(rows[r].heading);
            item->setFont(f);
        }
    }
    // The table is as wide as its longest value: a figure is never cut off.
    table->resizeColumnsToContents();
    table->setMinimumWidth(table->horizontalHeader()->length() +
                           table->verticalScrollBar()->sizeHint().width() +
                           2 * table->frameWidth());
    ui_->blockLabel->setText(QString::fromStdString(name_) + QStringLiteral("　") +
                             QString::number(figures_.count) + QStringLiteral(" サンプル"));
    ui_->histogramStats->setText(HistogramSummary(figures_, histogram_.MissingCodes()));
}

void AnalysisWindow::DrawSpectrum(QImage& image) const {
    if (analysed_) {
        SpectrumPlot::Draw(image, analyzer_, figures_, block_.deltaF);
    }
}

void AnalysisWindow::DrawHistogram(QImage& image) {
    if (!analysed_) {
        return;
    }
    // The columns follow the plot's width: a resized window counts the block again.
    const int32_t columns = std::max(1, HistogramPlot::MaxColumns(image.size()));
    if (columns != histogramColumns_) {
        histogramColumns_ = columns;
        histogram_.Count(block_.codes, block_.count, columns);
    }
    HistogramPlot::Draw(image, histogram_, figures_, LogCounts());
}

std::string AnalysisWindow::FiguresText() const {
    return analysed_ ? FiguresTable(name_, figures_) : std::string();
}

bool AnalysisWindow::CopyFigures() const {
    if (!analysed_) {
        return false;
    }
    QApplication::clipboard()->setText(QString::fromStdString(FiguresText()));
    return true;
}

bool AnalysisWindow::SaveFigures(const std::string& path) const {
    if (!analysed_) {
        return false;
    }
    const std::string bytes =
        EndsWithCsv(path) ? FiguresCsv(name_, figures_) : FiguresJson(name_, figures_) + "\n";
    return WriteFileBytes(path, bytes);
}

int AnalysisWindow::HarmonicOrder() const {
    return ui_->harmonicsSpin->value();
}

void AnalysisWindow::SetHarmonicOrder(int order) {
    ui_->harmonicsSpin->setValue(order);
}

bool AnalysisWindow::LogCounts() const {
    return ui_->logCountsBox->isChecked();
}

void AnalysisWindow::SetLogCounts(bool logarithmic) {
    ui_->logCountsBox->setChecked(logarithmic);
}

void AnalysisWindow::RestoreSettings(const UserSettings& s) {
    SetHarmonicOrder(s.Number(kKeyHarmonics, 2, ConverterFigures::kMaxHarmonicOrder,
                              ConverterAnalyzer::kDefaultHarmonicOrder));
    SetLogCounts(s.Number(kKeyLogCounts, 0, 1, 0) == 1);
    const int w = s.Number(kKeyWidth, minimumSizeHint().width(), kFarAway, -1);
    const int h = s.Number(kKeyHeight, minimumSizeHint().height(), kFarAway, -1);
    const int x = s.Number(kKeyX, -kFarAway, kFarAway, kFarAway + 1);
    const int y = s.Number(kKeyY, -kFarAway, kFarAway, kFarAway + 1);
    if (w > 0 && h > 0) {
        resize(w, h);
    }
    // A place off every screen (a monitor since unplugged) is not taken.
    const QRect frame(x, y, std::max(w, 100), std::max(h, 100));
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (x <= kFarAway && y <= kFarAway && screen->availableGeometry().intersects(frame)) {
            move(x, y);
            placeRemembered_ = true;
            break;
        }
    }
}

void AnalysisWindow::StoreSettings(UserSettings& s) const {
    s.SetNumber(kKeyHarmonics, HarmonicOrder());
    s.SetNumber(kKeyLogCounts, LogCounts() ? 1 : 0);
    s.SetNumber(kKeyX, pos().x());
    s.SetNumber(kKeyY, pos().y());
    s.SetNumber(kKeyWidth, width());
    s.SetNumber(kKeyHeight, height());
}

void AnalysisWindow::PlaceBeside(const QRect& mainFrame) {
    QPoint place(mainFrame.right() + 1 + kGap, mainFrame.top());
    const QSize extent = size().expandedTo(minimumSizeHint());
    // On a screen too narrow for both side by side it overlaps the main window's right part
    // rather than leave the screen.
    if (const QScreen* screen = QGuiApplication::screenAt(mainFrame.center())) {
        const QRect room = screen->availableGeometry();
        place.setX(std::max(room.left(), std::min(place.x(), room.right() + 1 - extent.width())));
        place.setY(std::max(room.top(), std::min(place.y(), room.bottom() + 1 - extent.height())));
    }
    move(place);
}
