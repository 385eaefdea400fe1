// The small windows and Qt's own dialogs as the main window shows them: the version box, the
// file dialogs' refusal of patterns, Qt's Japanese button texts and the status panels' widths.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>

#include "app/Myversion.h"
#include "app/app_test_helpers.h"

namespace {

void Click(QWidget* w, Qt::MouseButton button, QPointF at = QPointF(3, 90)) {
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button, {});
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button, {}, {});
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

TEST(VersionBoxTest, OnlyALeftClickClosesIt) {
    TestApp();
    TFormVersion box;
    EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
    const std::pair<const char*, std::function<void()>> notClosing[] = {
        {"Escape",
         [&] {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&box, &escape);
         }},
        {"right click", [&] { Click(&box, Qt::RightButton); }},
        {"middle click", [&] { Click(&box, Qt::MiddleButton); }},
        {"close request", [&] { box.close(); }}, // what the window system's close box asks
    };
    for (const auto& [what, action] : notClosing) {
        box.show();
        action();
        EXPECT_TRUE(box.isVisible()) << what;
    }
    Click(&box, Qt::LeftButton, QPointF(60, 20)); // on the caption text
    EXPECT_FALSE(box.isVisible());
}

} // namespace
