#include "platform/qt/ProgressBarWindow.h"

#include "platform/WindowMessage.h"

#include <QProgressBar>

namespace platform::qt {

ProgressBarWindow::ProgressBarWindow(QProgressBar* bar)
    : bar_(bar),
      binding_([this](std::uint32_t m, std::uintptr_t w, std::intptr_t l) { return onMessage(m, w, l); }, bar) {}

std::intptr_t ProgressBarWindow::onMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (bar_.isNull()) return 0;
    if (message == PBM_SETRANGE32) {
        bar_->setRange(static_cast<int>(wParam), static_cast<int>(lParam));
        return 1;
    }
    if (message == PBM_SETPOS) {
        const int previous = bar_->value();
        bar_->setValue(static_cast<int>(wParam));
        return previous;
    }
    return 0;
}

}  // namespace platform::qt
