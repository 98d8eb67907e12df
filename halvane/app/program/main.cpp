// Halvane: room correction for the processor's loudspeakers.
#include <QStringList>
#include <clocale>
#include <memory>
#include <utility>

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

using namespace halvane::procedures;

int main(int argc, char** argv) {
    // The application object comes first, outside the guard, so that the
    // last-resort box can still be shown.
    halvane::app::HalvaneApplication application(argc, argv);
    // Qt takes the user's locale for everything; numbers are read and
    // written in the "C" form (a decimal point) throughout.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName("FenwardeElectronics");
    QCoreApplication::setApplicationName("Halvane");
    // Every window of the program carries its icon.
    QApplication::setWindowIcon(halvane::app::HalvaneIcon());

    const int code = halvane::app::models::GuardedRun(
        [&] {
            platform::qt::UiMessagePump pump;
            halvane::app::RouteUiFailures(pump, halvane::app::ShowFatalBox, [&] { application.EndWithFailure(); });
            platform::qt::QtUserPrompt prompt("Halvane");
            platform::SetUserPrompt(&prompt);
            halvane::app::InstallCompletionPage();
            halvane::app::InstallConflictResolutionDialog();
            halvane::app::InstallTargetCustomizationDialog();
            halvane::app::InstallSpeakerSelectionDialog();

            platform::qt::QtProfile profile("FenwardeElectronics\\", "Halvane");
            // The program's one port, which every unit talks through. A port
            // the user stored (Ports/COMn) counts after the COMn variable.
            halvane::link::Comm::CBasicTessikPort port(platform::systemClock(), platform::PortMap(&profile));
            std::unique_ptr<halvane::app::QtLanguageFiles> files = halvane::app::QtLanguageFiles::ForProgram();
            halvane::app::QtLocaleProvider locales;
            halvane::app::models::LanguageManager languages(*files, locales, profile);
            languages.SelectUiLanguage();
            LoadGlobalLabels();
            halvane::link::ConTypes::CreateUnits(port);

            halvane::document::AppState app;
            // The jobs run under the program's progress dialog.
            halvane::app::JobsProcedureService::Options jobOptions;
            jobOptions.procedureDialog = &halvane::app::RunProcedureDialog;
            halvane::app::JobsProcedureService jobs(std::move(jobOptions));
            halvane::document::ProcedureService& procedures = jobs;
            int result = 0;
            {
                halvane::app::HalvaneShell shell(app, procedures, prompt, &languages, &profile);
                std::vector<std::string> arguments;
                const QStringList args = QCoreApplication::arguments();
                for (qsizetype i = 1; i < args.size(); ++i) arguments.push_back(args[i].toStdString());
                // A failure during start-up has ended the program already: no
                // loop is started after its box.
                if (halvane::app::models::InitInstance(shell, app, procedures, halvane::app::models::ParseCommandLine(arguments)) != 0 &&
                    !application.Failed())
                    result = application.exec();
                app.SetMainWindow(nullptr);
            }
            halvane::link::ConTypes::DestroyUnits();
            platform::SetUserPrompt(nullptr);
            return application.Failed() ? -1 : result;
        },
        halvane::app::ShowFatalBox);
    return code;
}
