#pragma once

#include <string>

namespace marnoch {

// The unit word of the result texts and the program's version, as the
// program shows them.
inline const std::string kUnitWord = "Unit";
inline const std::string kVersionText = "1.03";
inline const std::string kApplicationName = "Marnoch";

namespace text {
inline const std::string kCommError = "Communication Error : Unit not programmed";
inline const std::string kSwitchFailed = "Failed to switch to 115200 kbs";
inline const std::string kNotFound =
    "Warning : Unable to locate Tessik hardware on any serial port. Check cable connection and try again";
// After a port in the list of ports that the search tried.
inline const std::string kNoUnitAnswered = "no unit answered";
inline const std::string kLoaderBaudChanged = "Loader Baud Rate Changed";
inline const std::string kLoaderNotResponding = "Unit loader not responding";
inline const std::string kLoaderNotRespondingFast = "Unit loader not responding at 115200 kbs";
inline const std::string kLoaderFailedToExit = "Loader failed to exit";
inline const std::string kRetrievedOk = kUnitWord + " Settings Retrieved OK.";
inline const std::string kRetrieveFailed = kUnitWord + " Settings Retrieval FAILED.";
inline const std::string kProgrammedOk = kUnitWord + " Settings Programmed OK.";
inline const std::string kProgramFailed = kUnitWord + " Settings Programmed FAILED.";
inline const std::string kSavedOk = kUnitWord + " Settings Saved OK.";
inline const std::string kCannotOpenFile = "Cannot open " + kUnitWord + " settings file";
inline const std::string kChecksumError = "Checksum error reading " + kUnitWord + " settings file";
// A record that is not a well-formed S1/S2 record of the settings memory.
inline const std::string kFormatError = "Format error reading " + kUnitWord + " settings file";
// A file that leaves programmable addresses without data: programming it
// would fill them from whatever the image held.
inline const std::string kFileIncomplete = kUnitWord + " settings file incomplete";
// The backup could not be written completely; the old file is kept.
inline const std::string kCannotWriteFile = "Cannot write " + kUnitWord + " settings file";
inline const std::string kUnrecognizedException = "Unrecognized exception";
inline const std::string kInvalidFileSelection = "Invalid File Selection";

// After a transfer that succeeded, when the unit did not take the time.
inline const std::string kClockNotSet = "The unit's clock was not set.";

// Workflow steps shown in the status line.
inline const std::string kFindingUnit = "Finding unit...";
inline const std::string kReadingFile = "Reading settings file...";
inline const std::string kProgramming = "Programming unit settings...";
inline const std::string kGettingSettings = "Getting unit settings...";
inline const std::string kWritingFile = "Writing settings file...";
}  // namespace text

}  // namespace marnoch
