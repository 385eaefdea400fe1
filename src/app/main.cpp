// Process entry of `tavrin` and `tavrin-sim`: single-instance guard, the windows, the event
// loop, and termination signals that close the main window like the close command.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app/MessagePresenter.h"
#include "app/Mymessage.h"
#include "app/SettingsLocation.h"
#include "app/Myversion.h"
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

bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0 ||
            std::strcmp(argv[i], "--version") == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version must work on a terminal without a display, before Qt looks for one.
    if (AsksForHelp(argc, argv)) {
        return ConfigureBackend(argc, argv).value_or(0);
    }
    QApplication app(argc, argv);
    // The application title by which a second start finds this one. Only the name is set: a
    // display name would be appended to every window caption.
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    InstallFontSubstitutions();

    // After QApplication has taken its own options (-platform, ...): `tavrin` accepts no
    // others, `tavrin-sim` its signal and fault options.
    if (const auto exitCode = ConfigureBackend(argc, argv)) {
        return *exitCode;
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
    // visible window, ends the program.
    QObject::connect(&formMain, &TFormMain::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    TSignalCloser signalCloser;
    signalCloser.Install();
    QObject::connect(&signalCloser, &TSignalCloser::terminationRequested, &formMain,
                     [&formMain] { formMain.MenuFileExitClick(); });

    // The two settings dialogs were made with the main window; the version box follows them.
    // It belongs to the main window, which centres it and releases it.
    if (!formMain.CreateStartupWindow(
            "FormVersion", [&formMain] { formMain.FormVersion = new TFormVersion(&formMain); })) {
        return 1;
    }
    return app.exec();
}
