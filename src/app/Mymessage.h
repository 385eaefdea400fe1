// The application's error and warning boxes, one operation per message, all with the caption
// given at construction. Also the few boxes the main window and the process entry show
// directly, so that every box text of the program is in one place.
#pragma once

#include <QString>

#include "app/MessagePresenter.h"

class TmyMessage {
public:
    // The caption keeps at most 11 characters, as the original's 12-byte buffer did.
    TmyMessage(const QString& unitName, const QString& caption, IMessagePresenter& presenter);

    const QString& UnitName() const { return unitName_; }
    const QString& Caption() const { return caption_; }

    void MsgMemoryError(const QString& objectName);
    void MsgCommandError();
    void MsgNotFound();
    void MsgNoResponse();
    void MsgIniSaveError();
    void MsgDataSaveError();
    void MsgDataFileError();
    void MsgFFTSaveError();
    void MsgAnalysisSaveError();
    void MsgSeriesMemoryError();
    void MsgSettingFileError();
    void MsgNoData();
    void MsgLevelError();
    void MsgPrintError();

private:
    void Show(MsgIcon icon, const QString& text);

    QString unitName_;
    QString caption_;
    IMessagePresenter& presenter_;
};

// Caption of the main window's and the message service's boxes.
inline const QString kMessageCaption = QStringLiteral("Tavrin v2");
// Caption of the platform's confirmation box (overwrite questions).
inline const QString kConfirmationCaption = QStringLiteral("確認");

// Boxes shown without the message service.
void ShowAlreadyRunning(IMessagePresenter& presenter);
void ShowMessageServiceMemoryError(IMessagePresenter& presenter);
// true: the user agreed to discard the unsaved measured data.
bool AskDiscardUnsavedData(IMessagePresenter& presenter);
// true: overwrite the settings file `fullName`.
bool AskOverwriteSettingFile(IMessagePresenter& presenter, const QString& fullName);
