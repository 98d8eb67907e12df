#include "pellivar/ui/QtPoster.h"

#include <QMetaObject>

namespace pellivar::ui {

void QtPoster::post(std::function<void()> fn) {
    if (!fn) return;
    QMetaObject::invokeMethod(this, [fn = std::move(fn)] { fn(); }, Qt::QueuedConnection);
}

}  // namespace pellivar::ui
