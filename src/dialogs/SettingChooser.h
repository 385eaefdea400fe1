// The colour and file choices and the error box of the settings dialog. The dialog asks through
// this interface so that the platform's modal choosers can be replaced where none may open (tests).
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

class QWidget;

class ISettingChooser {
public:
    virtual ~ISettingChooser() = default;
    // A colour as 0x00BBGGRR, or nothing when the user cancelled.
    virtual std::optional<int32_t> ChooseColor(QWidget* parent) = 0;
    // A file name to save to, preset with `initial`; empty when the user cancelled.
    virtual QString ChooseSaveFile(QWidget* parent, const QString& initial) = 0;
    // A modal error box.
    virtual void ShowError(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// QColorDialog (not preset with the current colour) and a save dialog without a filter.
class QtSettingChooser : public ISettingChooser {
public:
    std::optional<int32_t> ChooseColor(QWidget* parent) override;
    QString ChooseSaveFile(QWidget* parent, const QString& initial) override;
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override;
};

ISettingChooser& DefaultSettingChooser();
