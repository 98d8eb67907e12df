#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QWidget>

namespace marnoch::ui {

// Dialog units of a widget's font: a quarter of the average character width
// across, an eighth of the character height down, as dialog templates
// measure their controls.
inline QRect FromDialogUnits(const QWidget& w, int x, int y, int width, int height) {
    const QFontMetrics fm(w.font());
    const int baseX = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
    const int baseY = fm.height();
    auto sx = [&](int v) { return (v * baseX + 2) / 4; };
    auto sy = [&](int v) { return (v * baseY + 4) / 8; };
    return QRect(sx(x), sy(y), sx(width), sy(height));
}

}  // namespace marnoch::ui
