#include "halvane/design/ReportInvalidMapCrossover.h"

#include "platform/UserPrompt.h"

void ReportInvalidMapCrossover() {
    platform::CurrentUserPrompt().MessageBox(kInvalidMapCrossoverText, "", platform::MB_OK | platform::MB_ICONERROR);
}
