#pragma once

#include "halvane/app/models/CheckListModel.h"

#include <QListWidget>

#include <memory>

namespace halvane::app {

// A flat list of items with check boxes over the caller's CheckData array.
// A click on an item, on its box or its text, toggles it and tells the
// owner and the dialog (itemToggled) at once; a click beside the items
// does nothing; Space toggles the current item. No item is ever shown
// selected.
class CCheckList final : public QListWidget {
    Q_OBJECT

public:
    explicit CCheckList(QWidget* parent = nullptr);

    // Shows the items: every fill makes new list items, each showing its
    // Requested state (which Checked takes).
    void Fill(models::CheckData* items, std::size_t count, models::CheckListOwner* owner);

signals:
    void itemToggled(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void toggleAt(const QPoint& pos);
    void toggle(QListWidgetItem* item);

    std::unique_ptr<models::CheckListModel> model_;
};

}  // namespace halvane::app
