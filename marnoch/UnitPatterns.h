#pragma once

#include <string>

namespace marnoch {

// What answers on the line (UnitMode) and which processor it is (UnitModel).
enum UnitMode : int {
    kModeLoader = 0,
    kModeFirmware = 1,
    kModeProgrammer = 2,
    kModeInvalidCommand = 3,
    kModeNone = 5,
};
inline constexpr int kModelNone = 13;

// The first pass over a reply to "?\n" (list A).
struct FirstPassMatch {
    enum Kind { None, Firmware, Programmer, Loader, InvalidCommand } kind = None;
    int model = kModelNone;  // programmer and loader rows name their model
};
FirstPassMatch MatchFirstPass(const std::string& reply);

// The acceptance test after a match (list B). The probe leaves out the two
// all-capital entries.
bool PassesAcceptance(const std::string& reply, bool inProbe);

// The model code of an accepted reply (list C); 1 when nothing matches.
int ModelOfReply(const std::string& reply, bool inProbe);

// The banners SetLoaderSpeed accepts after a speed change.
bool IsLoaderBanner(const std::string& banner);

// "Bzt 50 found"; empty for an unknown model.
std::string FoundText(int model);

}  // namespace marnoch
