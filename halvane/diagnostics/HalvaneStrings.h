#pragma once

namespace halvane::diagnostics {

// Halvane's string-table ids, as its language libraries number them.
namespace ids {
constexpr int Movie = 204;                 // "Movie" (configuration 0)
constexpr int Music = 205;                 // "Music" (configuration 1)
constexpr int UserAbort = 401;             // "User abort."
constexpr int TooManyRows = 402;           // "Too many Rows"
constexpr int ProcedureCompleted = 403;    // "Procedure Completed Successfully. %2"
constexpr int ProcedureTerminated = 404;   // "Procedure Terminated By User.  %2"
constexpr int ProcedureFailed = 405;       // "Procedure Failed.  %2"
constexpr int ProcedurePleaseWait = 406;   // "%1 please wait...  %2"
constexpr int ProcedureAborting = 407;     // "Aborting... %2"
constexpr int RegistryKey = 412;           // "FenwardeElectronics\"
constexpr int ProfileName = 414;           // "Halvane"
constexpr int SpeakerLabel = 428;          // "Speaker:"
constexpr int PressStart = 454;            // "Press start to begin."
constexpr int Measuring = 458;             // "Measuring..."
constexpr int Calculating = 459;           // "Calculating..."
constexpr int Uploading = 460;             // "Uploading..."
constexpr int InvalidFileFormat = 461;     // "Error, invalid file format."
constexpr int No = 462;                    // "No"
constexpr int Yes = 463;                   // "Yes"
constexpr int OffDisabled = 464;           // "Off/Disabled"
constexpr int Small = 465;                 // "Small"
constexpr int Large = 466;                 // "Large"
constexpr int AppName = 57344;             // "Halvane"
}  // namespace ids

// Puts Halvane's built-in (English) entries into the process string table.
// Idempotent and thread-safe; the raising helpers call it before a lookup,
// so the entries are there whether or not the program has started up.
void RegisterHalvaneStrings();

// The program's name ("Halvane", entry 57344): the caption of a message box
// asked for with an empty caption.
const char* ProgramName();

}  // namespace halvane::diagnostics
