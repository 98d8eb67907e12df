#pragma once

#include <QDialog>

class QLabel;

namespace marnoch::ui {

// "About Marnoch": the program's name and "Version 1.03".
class CAboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutBox(QWidget* parent = nullptr);
    QString versionText() const;

private:
    QLabel* version_;
};

}  // namespace marnoch::ui
