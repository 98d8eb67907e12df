#include "pellivar/ui/CPellivarApp.h"

namespace pellivar {

CPellivarApp::CPellivarApp() : CPellivarApp(Options()) {}

CPellivarApp::CPellivarApp(Options options) : profile_(options.profile) {
    platform::Clock& clock = options.clock != nullptr ? *options.clock : platform::systemClock();
    PortResolver resolver = options.resolver ? std::move(options.resolver) : DefaultPortResolver();
    communicator_ = std::make_unique<CTessikCommunicator>(poster_, clock, options.timing, std::move(resolver));
    link_ = std::make_unique<PellivarLink>(*communicator_);
    doc_ = std::make_unique<CPellivarDoc>(link_.get());
    communicator_->SetLongWait(true);
    communicator_->Start();
}

// The document's values unsubscribe through the link, so it goes first; the
// communicator then stops its worker and reader and closes the port; replies
// still queued for the user-interface thread go with the poster.
CPellivarApp::~CPellivarApp() {
    doc_.reset();
    link_.reset();
    communicator_.reset();
}

}  // namespace pellivar
