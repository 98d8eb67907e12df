// Halvane: room correction for the processor's loudspeakers.
#include <QStringList>
#include <clocale>
#include <memory>

#include "halvane/app/CAboutDlg.h"
#include "halvane/app/CConflictResolution.h"
#include "halvane/app/CProcedureDialog.h"
#include "halvane/app/CRoomCorrectionCompleteDlg.h"
#include "halvane/app/CSpeakerConfigDlg.h"
#include "halvane/app/CSpeakerMeasurementSelectionDialog.h"
#include "halvane/app/HalvaneShell.h"
#include "halvane/app/JobsProcedureService.h"
#include "halvane/app/QtLanguageFiles.h"
#include "halvane/app/QtLocaleProvider.h"
#include "halvane/app/models/LanguageManager.h"
#include "halvane/document/AppState.h"
#include "halvane/document/ProcedureService.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/framework/GlobalLabels.h"
#include "platform/UserPrompt.h"
#include "platform/qt/QtProfile.h"
#include "platform/qt/QtUserPrompt.h"
#include "platform/qt/UiMessagePump.h"

int main(int argc, char** argv) {
    // The application object comes first, outside the guard, so that the
    // last-resort box can still be shown.
    halvane::HalvaneApplication application(argc, argv);
    // Qt takes the user's locale for everything; numbers are read and
    // written in the "C" form (a decimal point) throughout.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName("FenwardeElectronics");
    QCoreApplication::setApplicationName("Halvane");
    // Every window of the program carries its icon.
    QApplication::setWindowIcon(halvane::HalvaneIcon());

    const int code = halvane::GuardedRun(
        [&] {
            platform::qt::UiMessagePump pump;
            halvane::RouteUiFailures(pump, halvane::ShowFatalBox, [&] { application.EndWithFailure(); });
            platform::qt::QtUserPrompt prompt("Halvane");
            platform::SetUserPrompt(&prompt);
            halvane::InstallProcedureDialog();
            halvane::InstallCompletionPage();
            halvane::InstallConflictResolutionDialog();
            halvane::InstallTargetCustomizationDialog();
            halvane::InstallSpeakerSelectionDialog();

            platform::qt::QtProfile profile("FenwardeElectronics\\", "Halvane");
            // The program's one port, which every unit talks through. A port
            // the user stored (Ports/COMn) counts after the COMn variable.
            Comm::CBasicTessikPort port(platform::systemClock(), platform::PortMap(&profile));
            std::unique_ptr<halvane::QtLanguageFiles> files = halvane::QtLanguageFiles::ForProgram();
            halvane::QtLocaleProvider locales;
            halvane::LanguageManager languages(*files, locales, profile);
            languages.SelectUiLanguage();
            LoadGlobalLabels();
            ConTypes::CreateUnits(port);

            halvane::AppState app;
            halvane::JobsProcedureService jobs;
            halvane::ProcedureService& procedures = jobs;
            int result = 0;
            {
                halvane::HalvaneShell shell(app, procedures, prompt, &languages, &profile);
                std::vector<std::string> arguments;
                const QStringList args = QCoreApplication::arguments();
                for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(args[i].toStdString());
                // A failure during start-up has ended the program already: no
                // loop is started after its box.
                if (halvane::InitInstance(shell, app, procedures, halvane::ParseCommandLine(arguments)) != 0 &&
                    !application.Failed())
                    result = application.exec();
                app.SetMainWindow(nullptr);
            }
            ConTypes::DestroyUnits();
            platform::SetUserPrompt(nullptr);
            return application.Failed() ? -1 : result;
        },
        halvane::ShowFatalBox);
    return code;
}
