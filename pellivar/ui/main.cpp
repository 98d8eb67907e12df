// Pellivar: reads and sets a processor's live video settings and keeps them
// in ".kvx" documents.

#include "pellivar/LastResort.h"
#include "pellivar/ui/CMainFrame.h"
#include "pellivar/ui/CPellivarApp.h"
#include "platform/qt/QtProfile.h"
#include "platform/qt/QtUserPrompt.h"

#include <QApplication>
#include <QTimer>

#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(pellivar::ui::CPellivarApp::kProgramName);
    // Texts on the wire and in files never follow the locale's numbers.
    std::setlocale(LC_NUMERIC, "C");

    platform::qt::QtProfile profile(pellivar::ui::CPellivarApp::kCompanyKey, pellivar::ui::CPellivarApp::kProgramName);
    platform::qt::QtUserPrompt prompt(pellivar::ui::CPellivarApp::kProgramName);
    platform::SetUserPrompt(&prompt);

    const int result = pellivar::GuardedRun(
        [&] {
            pellivar::ui::CPellivarApp::Options options;
            options.profile = &profile;
            pellivar::ui::CPellivarApp pellivarApp(options);
            pellivar::ui::CMainFrame frame(pellivarApp);
            const QStringList args = QApplication::arguments();
            if (args.size() > 1) frame.OpenDocument(args.at(1).toStdString());
            frame.showMaximized();
            QTimer::singleShot(0, &frame, [&frame] { frame.ChooseBaudRateAndSearch(); });
            return QApplication::exec();
        },
        [&prompt](const std::string& text) {
            prompt.MessageBox(text, pellivar::kFatalCaption, platform::MB_OK | platform::MB_ICONERROR);
        });
    platform::SetUserPrompt(nullptr);
    profile.sync();
    return result;
}
