#include "halvane/diagnostics/HalvaneStrings.h"

#include "platform/StringTable.h"

#include <mutex>
#include <utility>

namespace halvane::diagnostics {

void RegisterHalvaneStrings() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const std::pair<int, const char*> builtIn[] = {
            {ids::Movie, "Movie"},
            {ids::Music, "Music"},
            {ids::UserAbort, "User abort."},
            {ids::TooManyRows, "Too many Rows"},
            {ids::ProcedureCompleted, "Procedure Completed Successfully. %2"},
            {ids::ProcedureTerminated, "Procedure Terminated By User.  %2"},
            {ids::ProcedureFailed, "Procedure Failed.  %2"},
            {ids::ProcedurePleaseWait, "%1 please wait...  %2"},
            {ids::ProcedureAborting, "Aborting... %2"},
            {ids::RegistryKey, "FenwardeElectronics\\"},
            {ids::ProfileName, "Halvane"},
            {ids::SpeakerLabel, "Speaker:"},
            {ids::PressStart, "Press start to begin."},
            {ids::Measuring, "Measuring..."},
            {ids::Calculating, "Calculating..."},
            {ids::Uploading, "Uploading..."},
            {ids::InvalidFileFormat, "Error, invalid file format."},
            {ids::No, "No"},
            {ids::Yes, "Yes"},
            {ids::OffDisabled, "Off/Disabled"},
            {ids::Small, "Small"},
            {ids::Large, "Large"},
            {ids::AppName, "Halvane"},
        };
        platform::StringTable& table = platform::processStrings();
        for (const auto& [id, text] : builtIn) table.setBuiltIn(id, text);
    });
}

const char* ProgramName() { return "Halvane"; }

}  // namespace halvane::diagnostics
