// The colour and file choices and the error box of the settings dialog. The dialog asks through
// this interface so that the platform's modal choosers can be replaced where none may open (tests).
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <optional>

class QWidget;

class ISettingChooser {
public:
    virtual ~ISettingChooser() = default;
    // A colour as 0x00BBGGRR, starting from `current` (0x00BBGGRR); nothing when cancelled.
    virtual std::optional<int32_t> ChooseColor(QWidget* parent, int32_t current) = 0;
    // A file name to save to, preset with `initial`; empty when the user cancelled.
    virtual QString ChooseSaveFile(QWidget* parent, const QString& initial) = 0;
    // A modal error box.
    virtual void ShowError(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// Qt's own colour and file dialogs (the same on every desktop, and translated with Qt). The main
// window answers the file choice with its own save dialog instead (WindowSettingChooser).
class QtSettingChooser : public ISettingChooser {
public:
    std::optional<int32_t> ChooseColor(QWidget* parent, int32_t current) override;
    QString ChooseSaveFile(QWidget* parent, const QString& initial) override;
    void ShowError(QWidget* parent, const QString& caption, const QString& text) override;
};

ISettingChooser& DefaultSettingChooser();

// Colours of the settings records (0x00BBGGRR) and Qt's colours.
QColor ColorOfColorRef(int32_t bgr);
int32_t ColorRefOfColor(const QColor& color);
