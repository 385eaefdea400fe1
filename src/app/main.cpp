// Process entry of `tavrin` and `tavrin-sim`: single-instance guard, the windows, the event
// loop, and termination signals that close the main window like the close command.
#include <QApplication>
#include <cstdio>

#include "app/MessagePresenter.h"
#include "app/Mymessage.h"
#include "app/SignalCloser.h"
#include "app/SingleInstance.h"
#include "app/Tavrin_main.h"

#include "adunit/DriverFactory.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The application title by which a second start finds this one. Only the name is set: a
    // display name would be appended to every window caption.
    QApplication::setApplicationName(QStringLiteral("Tavrin"));
    InstallFontSubstitutions();

#ifdef TAVRIN_SIMULATED_UNIT
    {
        std::string error;
        bool exitNow = false;
        if (!ConfigureDriverBackend(argc, argv, error, exitNow)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        if (exitNow) {
            return 0;
        }
    }
#endif

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

    // TODO(wiring): create FormAmpSetting, FormFFTSetting and FormVersion here, in this order.
    return app.exec();
}
