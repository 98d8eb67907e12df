#include "halvane/procedures/framework/ChannelSelector.h"

#include "halvane/diagnostics/TException.h"
#include "platform/UserPrompt.h"

namespace halvane::procedures {

ChannelSelector& ChannelSelector::operator=(int value) {
    if (value < 0 || value > kAll) {
        platform::CurrentUserPrompt().MessageBox("Application is closing", "Fatal Error",
                                                 platform::MB_OK | platform::MB_ICONERROR);
        throw diagnostics::TException("Fatal Error");
    }
    value_ = value;
    return *this;
}

}  // namespace halvane::procedures
