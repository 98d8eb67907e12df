// Marnoch: backs up a processor's settings memory into a ".k47" file and
// programs such a file back into it.

#include "marnoch/ui/CMarnochDlg.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Marnoch");
    // Texts on the wire and in files never follow the locale's numbers.
    std::setlocale(LC_NUMERIC, "C");
    marnoch::CMarnochDlg dialog;
    dialog.exec();
    return 0;
}
