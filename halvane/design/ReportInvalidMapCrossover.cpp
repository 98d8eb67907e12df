#include "halvane/design/ReportInvalidMapCrossover.h"

#include "platform/UserPrompt.h"

namespace halvane::design {

void ReportInvalidMapCrossover() {
    platform::CurrentUserPrompt().MessageBox(kInvalidMapCrossoverText, "", platform::MB_OK | platform::MB_ICONERROR);
}

}  // namespace halvane::design
