#pragma once

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPoint>

// The one application object of the GUI test program (offscreen).
inline void EnsureTestApplication() {
    static int argc = 1;
    static char name[] = "halvane_ui_tests";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

// Whether `colour` is painted within `radius` pixels of `p` (anti-aliasing
// and rounding move a line by a pixel).
inline bool NearColour(const QImage& image, QPoint p, const QColor& colour, int radius) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const QPoint q = p + QPoint(dx, dy);
            if (image.rect().contains(q) && image.pixelColor(q) == colour) return true;
        }
    return false;
}
