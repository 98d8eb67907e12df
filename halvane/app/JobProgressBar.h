#pragma once

#include <QProgressBar>

namespace halvane::app {

// A job's progress bar: the range and position the job reports, or, while
// the job waits with nothing to count, Qt's busy animation. What arrives
// while busy is kept and shown when the busy time ends. An empty range shows
// an empty bar (Qt alone would animate it).
class JobProgressBar final : public QProgressBar {
    Q_OBJECT

public:
    explicit JobProgressBar(QWidget* parent = nullptr);

    void SetJobRange(int low, int high);
    // Clamped to the range, not ignored.
    void SetJobPos(int position);
    void SetBusy(bool busy);
    bool Busy() const { return busy_; }

private:
    void apply();

    int low_ = 0;
    int high_ = 100;
    int position_ = 0;
    bool busy_ = false;
};

}  // namespace halvane::app
