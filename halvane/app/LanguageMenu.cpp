#include "halvane/app/LanguageMenu.h"

#include "halvane/app/models/LanguageManager.h"
#include "platform/UserPrompt.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace halvane::app {

LanguageMenu::LanguageMenu(QMenu* menu, models::LanguageManager& manager)
    : QObject(menu), menu_(menu), manager_(manager), group_(new QActionGroup(this)) {
    group_->setExclusive(true);
    // The Tools menu's "Languages" item.
    menu_->menuAction()->setObjectName(QStringLiteral("id_%1").arg(models::LanguageManager::kLanguagesCommand));
    connect(menu_, &QMenu::aboutToShow, this, &LanguageMenu::Rebuild);
}

void LanguageMenu::Rebuild() {
    for (QAction* action : group_->actions()) {
        group_->removeAction(action);
        menu_->removeAction(action);
        action->deleteLater();
    }
    for (const models::LanguageMenuEntry& entry : manager_.MenuEntries()) {
        auto* action = new QAction(QString::fromStdString(entry.text), menu_);
        action->setObjectName(QStringLiteral("id_%1").arg(entry.command));
        action->setCheckable(true);
        action->setChecked(entry.checked);
        action->setData(entry.command);
        group_->addAction(action);
        menu_->addAction(action);
        const int command = entry.command;
        connect(action, &QAction::triggered, this, [this, command] { Choose(command); });
    }
    menu_->setEnabled(true);
}

void LanguageMenu::Choose(int command) {
    const auto notice = manager_.OnLanguageCommand(command);
    if (!notice) return;
    platform::CurrentUserPrompt().MessageBox(*notice, "", platform::MB_OK | platform::MB_ICONINFORMATION);
    // The radio mark stays on the language in use until the next start.
    Rebuild();
}

}  // namespace halvane::app
