#pragma once

#include "marnoch/CProgCtrl.h"

#include <QMetaObject>
#include <QProgressBar>

namespace marnoch::ui {

// The transfers' progress on the dialog's progress bar. The workflows run on
// their own thread; each call is queued to the bar's thread (made at once
// when it comes from there).
class CUIProgCtrl final : public CProgCtrl {
public:
    explicit CUIProgCtrl(QProgressBar& bar) : bar_(bar) {}
    void SetRange(int low, int high) override {
        post([low, high](QProgressBar& b) { b.setRange(low, high); });
    }
    void SetPos(int position) override {
        post([position](QProgressBar& b) { b.setValue(position); });
    }
    void Show(bool visible) override {
        post([visible](QProgressBar& b) { b.setVisible(visible); });
    }

private:
    template <class F>
    void post(F f) {
        QProgressBar* bar = &bar_;
        QMetaObject::invokeMethod(bar, [bar, f] { f(*bar); }, Qt::AutoConnection);
    }

    QProgressBar& bar_;
};

}  // namespace marnoch::ui
