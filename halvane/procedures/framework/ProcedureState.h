#pragma once

#include <string>
#include <vector>

namespace halvane::procedures {

// The states of the modal progress dialog and the status text each shows.
// The dialog itself goes 7 (initial) -> 4 (running) -> 5 (abort confirmed);
// the others exist for completeness of the table.
enum ProcedureState : int {
    kProcedureReady = 0,       // "Press start to begin."
    kProcedureCompleted = 1,   // "Procedure Completed Successfully. %2"
    kProcedureTerminated = 2,  // "Procedure Terminated By User.  %2"
    kProcedureFailed = 3,      // "Procedure Failed.  %2"
    kProcedureRunning = 4,     // "%1 please wait...  %2"
    kProcedureAborting = 5,    // "Aborting... %2"
    kProcedureBlank = 6,       // the empty text
    kProcedureInitial = 7,     // no text set
};

// The text format of `state` from the string table, loaded on first use and
// kept for the process's life; 7 and above (and below 0) read "Error, index
// exceeded maximum".
const std::string& ProcedureStateText(int state);

// The status text a state shows: its format with %1 = `argument` and %2 =
// the empty text; the empty text for 6; nothing (false) for the rest.
bool ProcedureStatusText(int state, const std::string& argument, std::string& text);

// Fills the positional inserts %1..%9 of a string-table format with `args`
// (an insert with no value becomes empty; "%%" is one percent sign; a
// percent sign before anything else stays as it is). The inserts are never
// read as formats themselves.
std::string FormatPositional(const std::string& format, const std::vector<std::string>& args);

}  // namespace halvane::procedures
