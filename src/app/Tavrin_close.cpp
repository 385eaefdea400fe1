// The close of the main window: the question about unsaved data, stopping an acquisition and
// writing the start-up settings back.
#include <QCloseEvent>
#include <QFile>
#include <cstdio>

#include "app/Mymessage.h"
#include "app/Tavrin_main.h"

void TFormMain::SaveStartupSettings() {
    if (!fSettingsLoaded || !document_.FileHandler()) {
        return; // nothing read yet: the file on disk is still the user's
    }
    const QString path = SettingsPath(QString::fromLatin1(kStartupFileName));
    const std::string fullName = QFile::encodeName(path).toStdString();
    settingsSaveFailed_ =
        fSettingsFileUnreadable || !document_.WriteSettingFile(fullName, document_.acqSetting);
    if (!settingsSaveFailed_) {
        return;
    }
    if (closedBySignal_) {
        std::fprintf(stderr, "Tavrin: the settings file %s could not be saved\n", fullName.c_str());
    } else if (myMessage) {
        myMessage->MsgIniSaveError();
    }
}

// --- Shutdown --------------------------------------------------------------------------------

void TFormMain::closeEvent(QCloseEvent* event) {
    // FormCloseQuery: a measured block nobody saved is given up only when the user agrees; a
    // close by a signal or after a fatal error asks nothing (nobody may be there to answer).
    if (!closing_ && !closedBySignal_ && !closeUnasked_) {
        if (measurement_.Initializing() && MeasuredDataUnsaved()) {
            // No box inside the unit's wait: the start ends first, then the close asks.
            measurement_.RequestStop();
            closePending_ = true;
            event->ignore();
            return;
        }
        askingToClose_ = true;
        const bool discard = MayDiscardMeasuredData();
        askingToClose_ = false;
        if (!discard && !closing_) {
            event->ignore();
            return;
        }
    }
    FinishClose();
    event->accept();
    emit closed();
}

void TFormMain::FinishClose() {
    if (closing_) {
        return;
    }
    closing_ = true;
    measurement_.RequestStop(); // a start waiting for the unit ends after its current step
    if (measurement_.Measuring()) {
        StopMeasurement();
    }
    SaveStartupSettings();
    SaveUserSettings();
    idleTimer_.stop();
    fFirstIdle = fStatusLayout = false;
}

void TFormMain::BringToFront() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void TFormMain::MenuFileExitClick() {
    close();
}

void TFormMain::CloseOnSignal(int) {
    closedBySignal_ = true;
    if (askingToClose_) {
        // The close in progress waits for its question; it is finished here, and the end of
        // the program ends the box.
        FinishClose();
        emit closed();
        return;
    }
    close();
}
