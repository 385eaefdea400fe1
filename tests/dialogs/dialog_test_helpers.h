// Driving the settings dialogs through their controls, shared by the dialog and window tests.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QString>
#include <QWidget>

template <class W> W* Find(QWidget& dialog, const char* name) {
    W* w = dialog.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// What the list's view does when the user picks an entry.
inline void Pick(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}
