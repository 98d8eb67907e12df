// libFuzzer target for the project-file reader. Any bytes must either load
// or be refused as a damaged or foreign file (VersionError, ArchiveException):
// no crash, no undefined behaviour, no allocation beyond what the bytes can
// hold. A file that loads must save, and its saved form must load and save
// again to the very same bytes.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "halvane/document/DocumentArchive.h"
#include "halvane/document/DocumentData.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"

namespace {

std::vector<std::uint8_t> Save(const halvane::document::DocumentData& data) {
    platform::ArchiveWriter ar;
    halvane::document::DocumentArchive::Write(data, ar);
    return ar.take();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    halvane::document::DocumentData loaded;
    try {
        platform::ArchiveReader ar(std::span<const std::uint8_t>(bytes, size));
        halvane::document::DocumentArchive::Read(ar, loaded);
    } catch (const halvane::document::DocumentArchive::VersionError&) {
        return 0;
    } catch (const platform::ArchiveException&) {
        return 0;
    }
    // A loaded document always has a unit kind, so it can be written; once
    // written in the current version it reads back unchanged.
    const std::vector<std::uint8_t> first = Save(loaded);
    halvane::document::DocumentData again;
    platform::ArchiveReader ar(first);
    halvane::document::DocumentArchive::Read(ar, again);
    if (!ar.atEnd() || Save(again) != first) __builtin_trap();
    return 0;
}
