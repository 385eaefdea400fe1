// The idle work of the main window: the measurement's poll, the start-up work and the status
// layout. A timer runs it only while there is such work, so nothing keeps a core busy while
// nothing happens.
#include <QApplication>

#include "app/Tavrin_main.h"
#include "graph/FFTGraph.h"
#include "ui_Tavrin_main.h"

bool TFormMain::IdleAllowed() const {
    // A modal box or dialog keeps the original's loop from idling (the acquisition waits), and
    // so does a command that services events while it waits for the unit.
    return !inIdle_ && !constructionFailed_ && QApplication::activeModalWidget() == nullptr &&
           !QtEventPump::IsPumping();
}

void TFormMain::ArmIdleTimer() {
    if (!HasIdleWork() || !IdleAllowed()) {
        return;
    }
    const int interval = (fFirstIdle || fStatusLayout) ? 0 : measurement_.PollIntervalMs();
    if (!idleTimer_.isActive() || idleTimer_.interval() != interval) {
        idleTimer_.start(interval);
    }
}

void TFormMain::OnIdleTimer() {
    if (!HasIdleWork() || !IdleAllowed()) {
        idleTimer_.stop();
        return;
    }
    IdleHandler();
    if (!HasIdleWork()) {
        idleTimer_.stop();
    } else {
        ArmIdleTimer();
    }
}

void TFormMain::IdleHandler() {
    if (inIdle_) {
        return;
    }
    inIdle_ = true;
    if (measurement_.Measuring()) {
        measurement_.PollAcquisition();
    }
    if (fFirstIdle) {
        FirstIdle();
    }
    if (fStatusLayout) {
        fStatusLayout = false;
        LayoutStatusBar();
    }
    inIdle_ = false;
}

void TFormMain::FirstIdle() {
    fFirstIdle = false;
    LoadStartupSettings(QString::fromLatin1(kStartupFileName));
    LoadUserSettings();
    UpdateCaption(false);
    if (Graph()) {
        graphs_->Relayout();
        Graph()->PaintGraphs();
    }
    LayoutStatusBar();
    if (!isVisible()) {
        show();
    }
    ui->MeasureStartBtn->setFocus();
}
