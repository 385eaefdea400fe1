// The dialog "平均化": how many blocks one start combines (1: the single block) and whether
// their spectra are power-averaged or peak-held. It edits a copy; the caller takes it on OK.
#pragma once

#include <QDialog>
#include <memory>

#include "common/SpectrumAveraging.h"

namespace Ui {
class FormAverageSetting;
}

class TFormAverageSetting : public QDialog {
    Q_OBJECT
public:
    explicit TFormAverageSetting(QWidget* parent = nullptr);
    ~TFormAverageSetting() override;

    // The controls show `setting`'s count and method.
    void Setup(const SeriesSetting& setting);
    // `base` with the count and method the controls show.
    SeriesSetting Edited(const SeriesSetting& base) const;

private:
    std::unique_ptr<Ui::FormAverageSetting> ui;
};
