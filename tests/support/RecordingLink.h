#pragma once

#include "pellivar/CSItemVector.h"
#include "pellivar/Poster.h"
#include "pellivar/UnitLink.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// Pellivar's link to the processor without a port: records what would be
// handed to the communicator (each text and its "\n") and keeps real
// subscriptions.
class RecordingLink final : public pellivar::UnitLink {
public:
    void UpdateUnitWithString(const std::string& text) override { sent.push_back(text + "\n"); }
    bool Subscribe(pellivar::SItemPtr item) override { return list->Subscribe(std::move(item)); }
    void Unsubscribe(const pellivar::SItem* item) override { list->Unsubscribe(item); }

    pellivar::QueuedPoster poster;
    std::shared_ptr<pellivar::CSItemVector> list = pellivar::CSItemVector::Create(poster);
    std::vector<std::string> sent;
};

}  // namespace testsupport
