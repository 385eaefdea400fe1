// The measurement and display settings dialog: data count, graphs shown, FFT options,
// frequency and level ranges, window function, line colours and the automatic data save. It
// edits working copies and hands them back on Set; it also holds the default settings and the
// level range rule.
#pragma once

#include <QDialog>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>

#include "common/Settings.h"

class QButtonGroup;
class QComboBox;
class QFrame;
class ISettingChooser;
namespace Ui {
class FormFFTSetting;
}

class TFormFFTSetting : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 382;
    static constexpr int kClientHeight = 513;
    static constexpr int kPathChars = 32; // EditFileName shows the chosen path shortened to this

    // `chooser` null: the platform's colour and file dialogs.
    explicit TFormFFTSetting(QWidget* parent = nullptr, ISettingChooser* chooser = nullptr);
    ~TFormFFTSetting() override;

    // Working copies of `graph` and the three fields of `measure`; the caller shows the dialog
    // modally and then reads `cancelFlag`: false means `graph` and `measure` hold the result.
    void Setup(GraphSetting& graph, MeasureSetting& measure, bool& cancelFlag);
    static void SetDefaultSetting(GraphSetting& graph, MeasureSetting& measure);
    int32_t DataCountOfIndex() const;

    // The file last chosen for the automatic save (native path); kept while the program runs.
    const QString& ChosenFile() const { return chosenFile; }

public slots:
    void reject() override; // Cancel, the Escape key and the window's close

protected:
    void showEvent(QShowEvent* event) override;

private:
    void LoadControls();
    void BuildFreqEList();
    void ShowColors();
    bool SelectDataFile();
    // Sets CheckSaveData from the program: the change is not taken for the user's click.
    void SetSaveCheckByProgram(bool checked);
    // Picks a list entry as the program does (no change event), within the list's range.
    static void Select(QComboBox* box, int index);

    void ComboBoxFreqSChange(int index);
    void ComboBoxFreqEChange(int index);
    void ComboBoxdBSChange(int index);
    void ComboBoxdBEChange(int index);
    void CheckBoxAbsodBClick(bool checked);
    void CheckSaveDataClick(bool checked);
    void FileBtnClick();
    void ColorBoxClick(int which);
    void SetBtnClick();
    void CancelBtnClick();
    void DefaultBtnClick();
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::unique_ptr<Ui::FormFFTSetting> ui;
    ISettingChooser& chooser_;
    QButtonGroup* radioGroup1_ = nullptr;
    QButtonGroup* radioGroup2_ = nullptr;
    std::array<QFrame*, 4> colorBoxes_{};

    GraphSetting work_;
    MeasureSetting workMeasure_;
    GraphSetting* graphTarget_ = nullptr;
    MeasureSetting* measureTarget_ = nullptr;
    bool* cancelFlag_ = nullptr;
    QString chosenFile;
    bool ignoreSaveClick = false;
};
