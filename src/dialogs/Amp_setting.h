// The AD unit settings dialog: output data rate, digital filter and input channel of the next
// measurement. It edits the main window's record in place: the filter buttons and Default act
// at once, Set stores the controls, Cancel only closes.
#pragma once

#include <QDialog>
#include <memory>

#include "common/Settings.h"

namespace Ui {
class FormAmpSetting;
}

class TFormAmpSetting : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 303;
    static constexpr int kClientHeight = 189;

    explicit TFormAmpSetting(QWidget* parent = nullptr);
    ~TFormAmpSetting() override;

    // The rate texts and the caption (the unit's model name) come from the unit's tables.
    void Setup(ADUnitSetting& settings, bool& cancelFlag);

public slots:
    void reject() override; // Cancel, the Escape key and the window's close

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillRateList(bool sinc3);
    // The entry the rate list shows; -1 when typed text matches none of them.
    int SelectedRate() const;
    void SetRadioButtons();
    void FilterClick(bool sinc3);
    void DefaultBtnClick();
    void SetBtnClick();

    std::unique_ptr<Ui::FormAmpSetting> ui;
    ADUnitSetting* settings_ = nullptr;
    bool* cancelFlag_ = nullptr;
};
