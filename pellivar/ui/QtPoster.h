#pragma once

#include "pellivar/Poster.h"

#include <QObject>

namespace pellivar::ui {

// The link's hand-over to the Qt user-interface thread: each closure becomes
// a queued call on this object, so it runs in the main loop (or a modal
// loop) of the thread the poster lives on, in posting order. Closures still
// queued when the poster goes away are dropped with it.
class QtPoster final : public QObject, public Poster {
public:
    explicit QtPoster(QObject* parent = nullptr) : QObject(parent) {}
    void post(std::function<void()> fn) override;
};

}  // namespace pellivar::ui
