// Marnoch: backs up a processor's settings memory into a ".k47" file and
// programs such a file back into it.

#include "marnoch/MarnochTexts.h"
#include "marnoch/MarnochWorkflows.h"
#include "marnoch/ui/CMarnochDlg.h"

#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <exception>

namespace {

void ShowFatal(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(marnoch::kApplicationName),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

}  // namespace

int main(int argc, char** argv) {
    // The application object comes first, outside the guard, so that the
    // last-resort box can still be shown.
    QApplication app(argc, argv);
    QApplication::setApplicationName("Marnoch");
    // Texts on the wire and in files never follow the locale's numbers.
    std::setlocale(LC_NUMERIC, "C");
    try {
        marnoch::ui::CMarnochDlg dialog;
        dialog.exec();
        return 0;
    } catch (const std::exception& e) {
        ShowFatal(marnoch::FatalErrorText(e.what()));
    } catch (...) {
        ShowFatal(marnoch::FatalErrorText(nullptr));
    }
    return 1;
}
