#pragma once

#include "pellivar/SItem.h"

#include <string>

namespace pellivar {

// What values, pages and controls need of the processor link: send a
// command, and subscribe to replies.
class UnitLink {
public:
    virtual ~UnitLink() = default;

    // Appends "\n" and hands the command over; it is dropped while no unit is
    // connected or while a document is being opened.
    virtual void UpdateUnitWithString(const std::string& text) = 0;

    virtual bool Subscribe(SItemPtr item) = 0;
    virtual void Unsubscribe(const SItem* item) = 0;
};

}  // namespace pellivar
