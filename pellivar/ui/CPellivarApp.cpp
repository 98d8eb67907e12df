#include "pellivar/ui/CPellivarApp.h"

#include "platform/PortMap.h"

namespace pellivar::ui {

CPellivarApp::CPellivarApp() : CPellivarApp(Options()) {}

CPellivarApp::CPellivarApp(Options options) : profile_(options.profile) {
    platform::Clock& clock = options.clock != nullptr ? *options.clock : platform::systemClock();
    // COMn: the environment variable, then the profile's Ports/COMn, then
    // the serial devices present.
    PortResolver resolver = std::move(options.resolver);
    if (!resolver) {
        auto map = std::make_shared<platform::PortMap>(profile_);
        resolver = [map](int n) { return map->resolve(n).path; };
    }
    communicator_ = std::make_unique<CTessikCommunicator>(poster_, clock, options.timing, std::move(resolver));
    link_ = std::make_unique<PellivarLink>(*communicator_);
    edits_ = std::make_unique<SettledEdits>(*communicator_, *link_, options.timing.editSettleMs);
    doc_ = std::make_unique<CPellivarDoc>(link_.get());
    communicator_->SetLongWait(true);
    communicator_->Start();
}

// The document's values and the edits' read-back unsubscribe through the
// link, so they go first; the communicator then stops its worker and reader
// and closes the port; replies still queued for the user-interface thread go
// with the poster.
CPellivarApp::~CPellivarApp() {
    doc_.reset();
    edits_.reset();
    link_.reset();
    communicator_.reset();
}

}  // namespace pellivar::ui
