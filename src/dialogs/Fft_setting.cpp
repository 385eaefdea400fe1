#include "dialogs/Fft_setting.h"

#include <QButtonGroup>
#include <QDir>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <algorithm>

#include "common/TextUtil.h"
#include "common/WindowFont.h"
#include "dialogs/DialogPlacement.h"
#include "dialogs/SettingChooser.h"
#include "ui_Fft_setting.h"

namespace {
constexpr int kFreqEOffset = 6; // index_FreqE of the end list's first entry
constexpr int kdBEOffset = 3;   // index_dB_min of the bottom list's first entry
constexpr int kZerodBItem = 2;  // "　　０ｄＢ" in the top list
constexpr int kTenkHzItem = 9;  // "１０kHz" in both end lists

const char* const kLogEnds[] = {"１０Hz",   "２０Hz",  "５０Hz",   "１００Hz", "２００Hz",
                                "５００Hz", "１kHz",   "２kHz",    "５kHz",    "１０kHz",
                                "２０kHz",  "５０kHz", "１００kHz"};
const char* const kLinearEnds[] = {"１０Hz",   "２０Hz",  "５０Hz",  "１００Hz", "２００Hz",
                                   "５００Hz", "１kHz",   "２kHz",   "５kHz",    "１０kHz",
                                   "１６kHz",  "２５kHz", "３２kHz", "６４kHz"};

// Only the file's own name decides whether it has an extension: dotted folders such as
// ~/.local are common on this system.
bool NameHasDot(const QString& path) {
    const qsizetype sep = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.indexOf(u'.', sep + 1) >= 0;
}
} // namespace

TFormFFTSetting::TFormFFTSetting(QWidget* parent, ISettingChooser* chooser)
    : QDialog(parent), ui(std::make_unique<Ui::FormFFTSetting>()),
      chooser_(chooser ? *chooser : DefaultSettingChooser()) {
    ui->setupUi(this);
    QFont font(QString::fromUtf8(kWindowFontFamily));
    font.setPixelSize(kWindowFontPixels);
    setFont(font);
    // Fixed dialog border without title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);
    ui->EditFileName->setStyleSheet(
        QStringLiteral("QLineEdit { background: palette(window); padding: 0px; }"));

    radioGroup1_ = new QButtonGroup(this);
    radioGroup1_->addButton(ui->RadioLinear, 0);
    radioGroup1_->addButton(ui->RadioLog, 1);
    radioGroup2_ = new QButtonGroup(this);
    radioGroup2_->addButton(ui->RadioWin0, WinRectangular);
    radioGroup2_->addButton(ui->RadioWin1, WinHanning);
    radioGroup2_->addButton(ui->RadioWin2, WinHamming);
    radioGroup2_->addButton(ui->RadioWin3, WinFlatTop);
    colorBoxes_ = {ui->PaintBox1, ui->PaintBox2, ui->PaintBox3, ui->PaintBox4};
    for (QFrame* box : colorBoxes_) {
        box->installEventFilter(this);
    }

    // "activated" and "clicked" come from the user only, like the change events of the
    // original controls; the program's own selections start no ordering rule.
    connect(ui->ComboBoxFreqS, &QComboBox::activated, this, &TFormFFTSetting::ComboBoxFreqSChange);
    connect(ui->ComboBoxFreqE, &QComboBox::activated, this, &TFormFFTSetting::ComboBoxFreqEChange);
    connect(ui->ComboBoxdBS, &QComboBox::activated, this, &TFormFFTSetting::ComboBoxdBSChange);
    connect(ui->ComboBoxdBE, &QComboBox::activated, this, &TFormFFTSetting::ComboBoxdBEChange);
    // A change of axis type, not every click: a click on the option already selected keeps
    // the end frequency.
    connect(radioGroup1_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) {
            BuildFreqEList();
        }
    });
    connect(ui->CheckBoxAbsodB, &QCheckBox::clicked, this, &TFormFFTSetting::CheckBoxAbsodBClick);
    connect(ui->CheckSigVolt, &QCheckBox::clicked, this,
            [this](bool checked) { work_.fSig_Volt = checked; });
    connect(ui->CheckSaveData, &QCheckBox::toggled, this, &TFormFFTSetting::CheckSaveDataClick);
    connect(ui->FileBtn, &QPushButton::clicked, this, &TFormFFTSetting::FileBtnClick);
    connect(ui->SetBtn, &QPushButton::clicked, this, &TFormFFTSetting::SetBtnClick);
    connect(ui->CancelBtn, &QPushButton::clicked, this, &TFormFFTSetting::CancelBtnClick);
    connect(ui->DefaultBtn, &QPushButton::clicked, this, &TFormFFTSetting::DefaultBtnClick);
}

TFormFFTSetting::~TFormFFTSetting() = default;

void TFormFFTSetting::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    ShowColors();
    QDialog::showEvent(event);
}

void TFormFFTSetting::SetDefaultSetting(GraphSetting& graph, MeasureSetting& measure) {
    SetDefaultGraphSetting(graph);
    SetDefaultMeasureSetting(measure);
}

int32_t TFormFFTSetting::DataCountOfIndex() const {
    const int i = ui->ComboBoxDNum->currentIndex();
    return (i >= 0 && i <= 7) ? kDataCountList[i] : kMaxDataCount;
}

void TFormFFTSetting::Setup(GraphSetting& graph, MeasureSetting& measure, bool& cancelFlag) {
    graphTarget_ = &graph;
    measureTarget_ = &measure;
    cancelFlag_ = &cancelFlag;
    work_ = graph;
    workMeasure_ = MeasureSetting{};
    workMeasure_.fSaveDataFile = measure.fSaveDataFile;
    workMeasure_.DataFileName = measure.DataFileName;
    workMeasure_.DataFilePath = measure.DataFilePath;
    workMeasure_.StartDateTime = measure.StartDateTime;
    ui->CheckBoxAbsodB->setText(QStringLiteral("絶対値を表示(dBV)"));
    LoadControls();
}

void TFormFFTSetting::Select(QComboBox* box, int index) {
    // A value from a hand-edited file may lie outside the list: the nearest entry is shown, so
    // that Set never stores an index the list does not have.
    const QSignalBlocker block(box);
    box->setCurrentIndex(std::clamp(index, 0, box->count() - 1));
}

void TFormFFTSetting::LoadControls() {
    Select(ui->ComboBoxDNum, work_.DataCountSel);
    ui->CheckWinFuncAdjust->setChecked(work_.fWinFuncAdjust);
    ui->CheckDCCut->setChecked(work_.fDCCut_FFT);
    ui->CheckDCCut2->setChecked(work_.fDCCut_SigGraph);
    ui->CheckWaveGraph->setChecked(work_.fWaveGraph);
    ui->CheckBoxAbsodB->setChecked(work_.fAbsoGraph);
    ui->CheckSigVolt->setChecked(work_.fSig_Volt);
    {
        const QSignalBlocker block(radioGroup1_); // the list is built just below
        (work_.fLogGraph ? ui->RadioLog : ui->RadioLinear)->setChecked(true);
    }

    BuildFreqEList();
    Select(ui->ComboBoxFreqS, work_.index_FreqS);
    Select(ui->ComboBoxFreqE, work_.index_FreqE - kFreqEOffset);
    if (ui->ComboBoxFreqS->currentIndex() >= ui->ComboBoxFreqE->currentIndex() + kFreqEOffset) {
        Select(ui->ComboBoxFreqE, ui->ComboBoxFreqS->currentIndex() - 5);
    }

    if (work_.index_dB_min < kdBEOffset) {
        work_.index_dB_min = kdBEOffset;
    }
    if (work_.fAbsoGraph) {
        ui->ComboBoxdBS->setEnabled(true);
        Select(ui->ComboBoxdBS, work_.index_dB_max);
    } else {
        ui->ComboBoxdBS->setEnabled(false);
        work_.index_dB_max = kZerodBItem;
        Select(ui->ComboBoxdBS, kZerodBItem);
    }
    Select(ui->ComboBoxdBE, work_.index_dB_min - kdBEOffset);
    if (ui->ComboBoxdBS->currentIndex() >= ui->ComboBoxdBE->currentIndex() + kdBEOffset) {
        Select(ui->ComboBoxdBE, ui->ComboBoxdBS->currentIndex() - 2);
    }

    if (QAbstractButton* b = radioGroup2_->button(std::clamp(work_.whichWindowFunc, 0, 3))) {
        b->setChecked(true);
    }
    ShowColors();

    SetSaveCheckByProgram(workMeasure_.fSaveDataFile);
    if (ui->CheckSaveData->isChecked()) {
        chosenFile = QString::fromStdString(workMeasure_.DataFilePath);
        ui->EditFileName->setText(
            QString::fromStdString(ShortenPath(chosenFile.toStdString(), kPathChars)));
    } else {
        ui->EditFileName->clear();
    }
}

void TFormFFTSetting::BuildFreqEList() {
    const bool log = ui->RadioLog->isChecked();
    ui->ComboBoxFreqS->setEnabled(log);
    const QSignalBlocker block(ui->ComboBoxFreqE);
    ui->ComboBoxFreqE->clear();
    if (log) {
        for (const char* item : kLogEnds) {
            ui->ComboBoxFreqE->addItem(QString::fromUtf8(item));
        }
    } else {
        for (const char* item : kLinearEnds) {
            ui->ComboBoxFreqE->addItem(QString::fromUtf8(item));
        }
    }
    ui->ComboBoxFreqE->setCurrentIndex(kTenkHzItem);
    // A start of 10 kHz would now lie on the end, which the settings file reader refuses:
    // the end moves one step above the start, as when the start is chosen.
    if (ui->ComboBoxFreqS->currentIndex() >= kTenkHzItem + kFreqEOffset) {
        Select(ui->ComboBoxFreqE, ui->ComboBoxFreqS->currentIndex() - 5);
    }
}

void TFormFFTSetting::ComboBoxFreqSChange(int index) {
    if (index >= ui->ComboBoxFreqE->currentIndex() + kFreqEOffset) {
        Select(ui->ComboBoxFreqE, index - 5);
    }
}

void TFormFFTSetting::ComboBoxFreqEChange(int index) {
    // Also on a linear axis: its disabled start list is still stored, and the settings file
    // reader refuses a start at or above the end.
    if (ui->ComboBoxFreqS->currentIndex() >= index + kFreqEOffset) {
        Select(ui->ComboBoxFreqS, index + 5);
    }
}

void TFormFFTSetting::ComboBoxdBSChange(int index) {
    if (!work_.fAbsoGraph) {
        Select(ui->ComboBoxdBS, kZerodBItem);
    } else if (index >= ui->ComboBoxdBE->currentIndex() + kdBEOffset) {
        Select(ui->ComboBoxdBE, index - 2);
    }
}

void TFormFFTSetting::ComboBoxdBEChange(int index) {
    if (work_.fAbsoGraph && ui->ComboBoxdBS->currentIndex() >= index + kdBEOffset) {
        Select(ui->ComboBoxdBS, index + 2);
    }
}

void TFormFFTSetting::CheckBoxAbsodBClick(bool checked) {
    ui->ComboBoxdBS->setEnabled(checked);
    if (!checked) {
        Select(ui->ComboBoxdBS, kZerodBItem);
    }
    work_.fAbsoGraph = checked;
}

void TFormFFTSetting::ShowColors() {
    const int32_t colors[] = {work_.PenColorGraph, work_.PenColorMainAxis, work_.PenColorSubAxis,
                              work_.PenColorRefGraph};
    for (size_t i = 0; i < colorBoxes_.size(); ++i) {
        QPalette pal = colorBoxes_[i]->palette();
        pal.setColor(QPalette::Window, ColorOfColorRef(colors[i]));
        colorBoxes_[i]->setPalette(pal);
        colorBoxes_[i]->setAutoFillBackground(true);
        colorBoxes_[i]->update();
    }
}

bool TFormFFTSetting::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (size_t i = 0; i < colorBoxes_.size(); ++i) {
            if (watched == colorBoxes_[i]) {
                ColorBoxClick(static_cast<int>(i));
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormFFTSetting::ColorBoxClick(int which) {
    int32_t* fields[] = {&work_.PenColorGraph, &work_.PenColorMainAxis, &work_.PenColorSubAxis,
                         &work_.PenColorRefGraph};
    const auto color = chooser_.ChooseColor(this, *fields[which]);
    if (!color) {
        return;
    }
    *fields[which] = *color & 0xFFFFFF;
    ShowColors();
}

bool TFormFFTSetting::SelectDataFile() {
    const QString initial = workMeasure_.DataFilePath.empty()
                                ? QStringLiteral("*.DTA")
                                : QString::fromStdString(workMeasure_.DataFilePath);
    QString name = chooser_.ChooseSaveFile(this, initial);
    if (name.isEmpty()) {
        return false;
    }
    // The automatic save writes only to an absolute path of this system, and a line break
    // would split the file's "DataFileName:" line: such a name is not taken.
    if (!QDir::isAbsolutePath(name) || name.contains(u'\r') || name.contains(u'\n')) {
        return false;
    }
    if (!NameHasDot(name)) {
        name += QStringLiteral(".DTA");
    }
    chosenFile = name;
    SetDataFilePath(workMeasure_, name.toStdString());
    ui->EditFileName->setText(QString::fromStdString(ShortenPath(name.toStdString(), kPathChars)));
    return true;
}

void TFormFFTSetting::SetSaveCheckByProgram(bool checked) {
    ignoreSaveClick = true;
    ui->CheckSaveData->setChecked(checked);
    // Cleared also when the box already showed the state and no click came to clear it; the
    // user's next click must count.
    ignoreSaveClick = false;
}

void TFormFFTSetting::CheckSaveDataClick(bool checked) {
    if (ignoreSaveClick) {
        ignoreSaveClick = false;
        return;
    }
    if (checked && chosenFile.isEmpty() && !SelectDataFile()) {
        SetSaveCheckByProgram(false);
    }
}

void TFormFFTSetting::FileBtnClick() {
    if (SelectDataFile()) {
        SetSaveCheckByProgram(true);
    }
}

void TFormFFTSetting::SetBtnClick() {
    if (!graphTarget_ || !measureTarget_ || !cancelFlag_) {
        return;
    }
    work_.fWinFuncAdjust = ui->CheckWinFuncAdjust->isChecked();
    work_.fDCCut_FFT = ui->CheckDCCut->isChecked();
    work_.fDCCut_SigGraph = ui->CheckDCCut2->isChecked();
    work_.fWaveGraph = ui->CheckWaveGraph->isChecked();
    work_.fAbsoGraph = ui->CheckBoxAbsodB->isChecked();
    work_.fLogGraph = ui->RadioLog->isChecked();
    work_.index_FreqS = ui->ComboBoxFreqS->currentIndex();
    work_.index_FreqE = ui->ComboBoxFreqE->currentIndex() + kFreqEOffset;
    work_.index_dB_max = ui->ComboBoxdBS->currentIndex();
    work_.index_dB_min = ui->ComboBoxdBE->currentIndex() + kdBEOffset;
    if (radioGroup2_->checkedId() >= 0) {
        work_.whichWindowFunc = radioGroup2_->checkedId();
    }
    const int countSel = ui->ComboBoxDNum->currentIndex();
    work_.DataCountSel = (countSel >= 0 && countSel <= 8) ? countSel : 8;
    work_.DataCountMax = DataCountOfIndex();
    work_.fSig_Volt = ui->CheckSigVolt->isChecked();
    *graphTarget_ = work_;

    workMeasure_.fSaveDataFile = ui->CheckSaveData->isChecked();
    if (workMeasure_.fSaveDataFile && chosenFile.isEmpty()) {
        chooser_.ShowError(this, QStringLiteral("ZF"),
                           QStringLiteral("データファイルを選択して下さい"));
        return;
    }
    SetDataFilePath(workMeasure_, chosenFile.toStdString());
    measureTarget_->fSaveDataFile = workMeasure_.fSaveDataFile;
    measureTarget_->DataFileName = workMeasure_.DataFileName;
    measureTarget_->DataFilePath = workMeasure_.DataFilePath;
    measureTarget_->StartDateTime = workMeasure_.StartDateTime;
    *cancelFlag_ = false;
    accept();
}

void TFormFFTSetting::CancelBtnClick() {
    reject();
}

void TFormFFTSetting::reject() {
    if (cancelFlag_) {
        *cancelFlag_ = true;
    }
    QDialog::reject();
}

void TFormFFTSetting::DefaultBtnClick() {
    SetDefaultSetting(work_, workMeasure_);
    LoadControls();
}
