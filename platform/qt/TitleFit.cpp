#include "platform/qt/TitleFit.h"

#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

#include <algorithm>

namespace platform::qt {

int TitleWidth(const QDialog& dialog) {
    QFont bold = dialog.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + kTitleBarButtonsWidth;
}

void FitTitle(QDialog& dialog) { dialog.setMinimumWidth(std::max(dialog.minimumWidth(), TitleWidth(dialog))); }

void FitTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) {
        FitTitle(static_cast<QDialog&>(box));
        return;
    }
    // A row of its own under the buttons, as wide as the title needs.
    grid->addItem(new QSpacerItem(TitleWidth(box), 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace platform::qt
