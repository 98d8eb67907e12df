#pragma once

#include <QObject>

class QActionGroup;
class QMenu;

namespace halvane::app::models {
class LanguageManager;
}

namespace halvane::app {


// Tools > Languages: rebuilt from the language files each time it opens,
// one radio item per language (commands 28416 on), the language in use
// checked. Choosing one stores it and shows the restart notice in the
// chosen language (information icon).
class LanguageMenu final : public QObject {
    Q_OBJECT

public:
    LanguageMenu(QMenu* menu, models::LanguageManager& manager);

    // Fills the menu now (it is also filled whenever it is about to show).
    void Rebuild();
    // The user chose the item of `command`.
    void Choose(int command);

private:
    QMenu* menu_;
    models::LanguageManager& manager_;
    QActionGroup* group_;
};

}  // namespace halvane::app
