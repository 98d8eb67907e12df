#pragma once

#include "platform/WindowBinding.h"

#include <QPointer>

class QProgressBar;

namespace platform::qt {

// Makes a QProgressBar a target of queued progress-bar messages:
// PBM_SETRANGE32 (low in wParam, high in lParam) and PBM_SETPOS (position in
// wParam). Hold it beside the bar; its handle dies with it.
class ProgressBarWindow {
public:
    explicit ProgressBarWindow(QProgressBar* bar);
    ProgressBarWindow(const ProgressBarWindow&) = delete;
    ProgressBarWindow& operator=(const ProgressBarWindow&) = delete;

    WindowHandle handle() const { return binding_.handle(); }

private:
    std::intptr_t onMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    QPointer<QProgressBar> bar_;
    WindowBinding binding_;
};

}  // namespace platform::qt
