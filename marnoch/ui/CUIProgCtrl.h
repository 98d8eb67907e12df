#pragma once

#include "marnoch/CProgCtrl.h"

#include <QProgressBar>

namespace marnoch {

// The transfers' progress on the dialog's progress bar, repainted at once
// because the transfer blocks the event loop.
class CUIProgCtrl final : public CProgCtrl {
public:
    explicit CUIProgCtrl(QProgressBar& bar) : bar_(bar) {}
    void SetRange(int low, int high) override { bar_.setRange(low, high); }
    void SetPos(int position) override {
        bar_.setValue(position);
        if (bar_.isVisible()) bar_.repaint();
    }
    void Show(bool visible) override { bar_.setVisible(visible); }

private:
    QProgressBar& bar_;
};

}  // namespace marnoch
