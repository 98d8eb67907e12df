#pragma once

#include <QApplication>

// The one application object of the GUI test program (offscreen).
inline void EnsureTestApplication() {
    static int argc = 1;
    static char name[] = "halvane_ui_tests";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}
