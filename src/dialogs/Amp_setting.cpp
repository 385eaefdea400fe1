#include "dialogs/Amp_setting.h"

#include "common/RateTables.h"
#include "common/WindowFont.h"
#include "dialogs/DialogPlacement.h"
#include "ui_Amp_setting.h"

TFormAmpSetting::TFormAmpSetting(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FormAmpSetting>()) {
    ui->setupUi(this);
    QFont font(QString::fromUtf8(kWindowFontFamily));
    font.setPixelSize(kWindowFontPixels);
    setFont(font);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);

    // "toggled" to on: a filter button that becomes checked, by the user or by the program,
    // refills the list, so it always shows the texts of the checked filter.
    connect(ui->Sinc3_RBtn, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            FilterClick(true);
        }
    });
    connect(ui->Sinc5_RBtn, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            FilterClick(false);
        }
    });
    connect(ui->DefaultBtn, &QPushButton::clicked, this, &TFormAmpSetting::DefaultBtnClick);
    connect(ui->SetBtn, &QPushButton::clicked, this, &TFormAmpSetting::SetBtnClick);
    connect(ui->CancelBtn, &QPushButton::clicked, this, &TFormAmpSetting::reject);
}

TFormAmpSetting::~TFormAmpSetting() = default;

void TFormAmpSetting::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}

void TFormAmpSetting::Setup(ADUnitSetting& settings, bool& cancelFlag) {
    settings_ = &settings;
    cancelFlag_ = &cancelFlag;
    FillRateList(settings.sinc3);
    ui->ComboBox1->setCurrentIndex(
        settings.spsSel >= 0 && settings.spsSel < kRateCount ? settings.spsSel : -1);
    SetRadioButtons();
    setWindowTitle(QString::fromLatin1(DeviceName()));
}

void TFormAmpSetting::FillRateList(bool sinc3) {
    ui->ComboBox1->clear();
    for (int32_t i = 0; i < kRateCount; ++i) {
        ui->ComboBox1->addItem(QString::fromLatin1(RateText(i, sinc3)));
    }
}

int TFormAmpSetting::SelectedRate() const {
    // Text typed into the list's edit field counts only when it is one of the entries.
    const int i = ui->ComboBox1->findText(ui->ComboBox1->currentText(), Qt::MatchExactly);
    return (i >= 0 && i < kRateCount) ? i : -1;
}

void TFormAmpSetting::SetRadioButtons() {
    // Checking one button of a panel unchecks the other (auto-exclusive within the panel).
    (settings_->sinc3 ? ui->Sinc3_RBtn : ui->Sinc5_RBtn)->setChecked(true);
    (settings_->ch_sel == 1 ? ui->CH1_RBtn : ui->CH0_RBtn)->setChecked(true);
}

void TFormAmpSetting::FilterClick(bool sinc3) {
    if (!settings_) {
        return;
    }
    settings_->sinc3 = sinc3;
    const int selected = SelectedRate();
    FillRateList(sinc3);
    ui->ComboBox1->setCurrentIndex(selected);
}

void TFormAmpSetting::DefaultBtnClick() {
    if (!settings_) {
        return;
    }
    SetDefaultADSetting(*settings_);
    ui->ComboBox1->setCurrentIndex(settings_->spsSel);
    SetRadioButtons();
}

void TFormAmpSetting::SetBtnClick() {
    if (!settings_ || !cancelFlag_) {
        return;
    }
    // Typed text that names no rate keeps the previous rate: the unit commands and the rate
    // tables are indexed by it.
    const int rate = SelectedRate();
    if (rate >= 0) {
        settings_->spsSel = rate;
    }
    settings_->sinc3 = ui->Sinc3_RBtn->isChecked();
    settings_->ch_sel = ui->CH1_RBtn->isChecked() ? 1 : 0;
    *cancelFlag_ = false;
    accept();
}

void TFormAmpSetting::reject() {
    if (cancelFlag_) {
        *cancelFlag_ = true;
    }
    QDialog::reject();
}
