#include "app/app_test_helpers.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QThread>
#include <gtest/gtest.h>

#include "app/StatusPanels.h"

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "tavrin_app_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own statics may already be gone, and tearing the
    // application down then crashes.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

namespace {
template <class T> T* OnlyChild(const QWidget& form, const char* name) {
    const auto found = form.findChildren<T*>(QLatin1String(name));
    EXPECT_EQ(found.size(), 1) << name;
    return found.isEmpty() ? nullptr : found.front();
}
} // namespace

FormControls Controls(const QWidget& form) {
    return {OnlyChild<QPushButton>(form, "MeasureStartBtn"),
            OnlyChild<QPushButton>(form, "PeakBackBtn"),
            OnlyChild<QPushButton>(form, "PeakFwdBtn"),
            OnlyChild<QLineEdit>(form, "EditRMS"),
            OnlyChild<QLabel>(form, "LabelRMS"),
            OnlyChild<QLabel>(form, "LabelPeakVolt"),
            OnlyChild<QLabel>(form, "LabelPeakdB"),
            OnlyChild<TStatusPanels>(form, "StatusBar1"),
            OnlyChild<QMenu>(form, "MenuFile"),
            OnlyChild<QMenu>(form, "MenuMeasure"),
            OnlyChild<QMenu>(form, "MenuData"),
            OnlyChild<QMenu>(form, "MenuSetting"),
            OnlyChild<QMenu>(form, "MenuRef"),
            OnlyChild<QMenu>(form, "MenuHelp"),
            OnlyChild<QAction>(form, "MenuMeasureStart")};
}

bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return true;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
}

QString BuiltSimulator() {
    return QDir(QCoreApplication::applicationDirPath()).filePath("../src/app/tavrin-sim");
}

QProcessEnvironment SimulatorEnvironment(const QString& runtimeDir) {
    QDir().mkpath(runtimeDir);
    QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtimeDir);
    return env;
}
