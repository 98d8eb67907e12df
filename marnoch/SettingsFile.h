#pragma once

#include "marnoch/SettingsImage.h"

#include <bitset>
#include <string>
#include <string_view>

namespace marnoch {

// The ".k47" settings file: one S1 record per line ("S1", byte count, 16-bit
// address, up to 16 data bytes, checksum; lower-case hex, "\n" line ends)
// for 0x002-0x03F and 0x060-0xFFF. No header or termination record.
std::string SettingsFileText(const SettingsImage& image);

// Writes the file through a temporary file in the same folder that replaces
// the old one only once it is complete: a failed save keeps the old backup.
// Success gives "Unit Settings Saved OK.".
bool SaveSettingsFile(const SettingsImage& image, const std::string& path, std::string& text);

// Whether the backup can be saved at `path` (its folder takes a new file,
// an old file there may be replaced): asked before the unit is read, so a
// place that cannot take the file is refused before the long read. False
// with "Cannot write Unit settings file" and the path, and the reason.
bool CheckSettingsFileWritable(const std::string& path, std::string& text);

// The records of a file's text, checked before anything is kept: every
// S1/S2 word (by its second character; other words are skipped) must have
// its length, hex digits, address range and checksum right, and records
// that give one address twice must agree. A failure's text names the line
// and what was wrong after its first line. On success the
// covered addresses are set in `covered` and their bytes in `staging`.
bool ParseSettingsText(std::string_view content, SettingsImage& staging, std::bitset<SettingsImage::kSize>& covered,
                       std::string& text);

// Loads a file into the image. A damaged file, or one that leaves a
// programmable address without data, fails with its text and leaves the
// image as it was.
bool LoadSettingsFile(SettingsImage& image, const std::string& path, std::string& text);

}  // namespace marnoch
