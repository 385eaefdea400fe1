#include "dialogs/Average_setting.h"

#include <algorithm>

#include "ui_Average_setting.h"

TFormAverageSetting::TFormAverageSetting(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::FormAverageSetting>()) {
    ui->setupUi(this);
    ui->CountSpin->setRange(1, SeriesSetting::kMaxCount);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

TFormAverageSetting::~TFormAverageSetting() = default;

void TFormAverageSetting::Setup(const SeriesSetting& setting) {
    ui->CountSpin->setValue(std::clamp(setting.count, 1, SeriesSetting::kMaxCount));
    ui->PowerRadio->setChecked(setting.mode == AverageMode::Power);
    ui->PeakRadio->setChecked(setting.mode == AverageMode::PeakHold);
    ui->CountSpin->setFocus();
    ui->CountSpin->selectAll();
}

SeriesSetting TFormAverageSetting::Edited(const SeriesSetting& base) const {
    SeriesSetting edited = base;
    edited.count = ui->CountSpin->value();
    edited.mode = ui->PeakRadio->isChecked() ? AverageMode::PeakHold : AverageMode::Power;
    return edited;
}
