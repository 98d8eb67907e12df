#pragma once

#include <QWidget>

namespace pellivar::ui {

class CPellivarApp;

// One page of the main window. A page that serves the current source is
// given the tree item's source before each showing; every showing runs the
// initial update, which binds the page's controls again.
class CPageView : public QWidget {
    Q_OBJECT
public:
    CPageView(CPellivarApp& app, QWidget* parent = nullptr) : QWidget(parent), app_(app) {}
    virtual void SetSource(int source) { source_ = source; }
    int Source() const { return source_; }
    virtual void OnInitialUpdate() {}

protected:
    CPellivarApp& app_;
    int source_ = -1;
};

}  // namespace pellivar::ui
