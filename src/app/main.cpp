// Process entry of `tavrin` and `tavrin-sim`: single-instance guard, the windows, the event
// loop, and termination signals that close the main window like the close command.
#include <QApplication>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/MessagePresenter.h"
#include "app/Mymessage.h"
#include "app/QtTranslations.h"
#include "app/SettingsLocation.h"
#include "app/SignalCloser.h"
#include "app/SingleInstance.h"
#include "app/Tavrin_main.h"

#include "adunit/DriverFactory.h"

namespace {

// Hands the backend its options. Returns the exit code when the program must end now.
std::optional<int> ConfigureBackend(int argc, char** argv) {
    std::string error;
    bool exitNow = false;
    if (!ConfigureDriverBackend(argc, argv, error, exitNow)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (exitNow) {
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    // The program's own options (and --help, and unknown ones) are settled on a terminal without
    // a display, before Qt looks for one; Qt's own options are left to QApplication.
    std::vector<char*> own = WithoutQtOptions(argc, argv);
    if (const auto exitCode = ConfigureBackend(static_cast<int>(own.size()) - 1, own.data())) {
        return *exitCode;
    }
    QApplication app(argc, argv);
    // The application title by which a second start finds this one. Only the name is set: a
    // display name would be appended to every window caption.
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    InstallFontSubstitutions();
    if (!InstallQtJapanese(app)) {
        std::fprintf(stderr, "Tavrin: Qt's Japanese translations (qtbase_ja) are not installed\n");
    }

    TSingleInstance instance(QStringLiteral("Tavrin"));
    if (!instance.TryAcquire()) {
        if (instance.LockError().isEmpty()) {
            ShowAlreadyRunning(DefaultMessagePresenter());
            instance.RequestActivation();
            return 1;
        }
        // An unusable runtime directory is no second copy: run unguarded rather than not at all.
        std::fprintf(stderr, "Tavrin: single-instance lock unavailable (%s)\n",
                     qPrintable(instance.LockError()));
    }

    FormMainOptions options;
    options.baseDir = SettingsDirectory();
    options.driverFactory = [] { return CreateFtDriver(); };
    TFormMain formMain(options);
    if (formMain.ConstructionFailed()) {
        return 1;
    }
    QObject::connect(&instance, &TSingleInstance::activationRequested, &formMain,
                     &TFormMain::BringToFront);
    // The window may still be hidden (before the first idle pass), so its closing, not the last
    // visible window, ends the program. exit() rather than quit(): it also ends a modal box's
    // loop (a signal may close the window while one is open) without asking the box first.
    QObject::connect(
        &formMain, &TFormMain::closed, &app, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);

    TSignalCloser signalCloser;
    signalCloser.Install();
    QObject::connect(&signalCloser, &TSignalCloser::terminationRequested, &formMain,
                     [&formMain](int signalNumber) { formMain.CloseOnSignal(signalNumber); });

    // The two settings dialogs were made with the main window; the version box follows them.
    if (!formMain.CreateVersionBox()) {
        return 1;
    }
    const int exitCode = app.exec();
    // A close by a signal has nobody to tell but the caller: settings that could not be saved
    // make the exit status a failure.
    if (exitCode == 0 && formMain.ClosedBySignal() && formMain.SettingsSaveFailed()) {
        return 1;
    }
    return exitCode;
}
