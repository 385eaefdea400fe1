// Shared pieces of the main-window tests: one QApplication for the test program, a message
// presenter that records boxes instead of showing them, and a temporary directory.
#pragma once

#include <QApplication>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <vector>

#include "app/FileDialogs.h"
#include "app/MessagePresenter.h"

QApplication& TestApp();

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TStatusPanels;

// The main window's controls, found by their object names (the window keeps them to itself).
// Each name must belong to exactly one object of the window.
struct FormControls {
    QPushButton* MeasureStartBtn;
    QPushButton* PeakBackBtn;
    QPushButton* PeakFwdBtn;
    QLineEdit* EditRMS;
    QLabel* LabelRMS;
    QLabel* LabelPeakVolt;
    QLabel* LabelPeakdB;
    TStatusPanels* StatusBar1;
    QMenu* MenuFile;
    QMenu* MenuMeasure;
    QMenu* MenuData;
    QMenu* MenuSetting;
    QMenu* MenuRef;
    QMenu* MenuHelp;
    QAction* MenuMeasureStart;
};
FormControls Controls(const QWidget& form);

class RecordingPresenter : public IMessagePresenter {
public:
    MsgAnswer Present(const MessageBoxRequest& request) override {
        shown.push_back(request);
        if (whileShown) {
            whileShown();
        }
        return answer;
    }
    std::vector<MessageBoxRequest> shown;
    MsgAnswer answer = MsgAnswer::Ok;
    std::function<void()> whileShown; // runs while the box would be open
};

// File dialogs answered from a list (empty answer or none left: cancelled); records requests.
class ScriptedFileDialogs : public IFileDialogs {
public:
    QString Ask(const FileDialogRequest& request) override {
        asked.push_back(request);
        if (answers.empty()) {
            return {};
        }
        QString a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<FileDialogRequest> asked;
    std::deque<QString> answers;
};

// Runs the event loop until `done` or `timeoutMs` passes; returns done().
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs = 3000);

QByteArray ReadAll(const QString& path);
void WriteAll(const QString& path, const QByteArray& bytes);

// The tavrin-sim built beside the tests, and the environment to run it offscreen with a private
// runtime folder (created, owner only), so that it cannot meet a Tavrin the user is running.
QString BuiltSimulator();
QProcessEnvironment SimulatorEnvironment(const QString& runtimeDir);
