#include "halvane/app/AboutBox.h"

#include <QMessageBox>

namespace halvane {

void ShowAboutBox(QWidget* parent) {
    QMessageBox about(parent);
    about.setObjectName(QStringLiteral("about"));
    about.setWindowTitle(QStringLiteral("About Halvane"));
    about.setText(QStringLiteral("Halvane\nVersion 3.0.2"));
    about.exec();
}

}  // namespace halvane
