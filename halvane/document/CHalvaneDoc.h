#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "halvane/document/DocumentData.h"
#include "halvane/link/UploadSource.h"

namespace platform {
class ArchiveReader;
class ArchiveWriter;
class UserPrompt;
}  // namespace platform

namespace halvane::document {

class AppState;
class DocumentPostLoad;

// The one project document of Halvane. The procedures fill its contents
// (DocumentData) directly while their modal dialog blocks the user
// interface, then mark it modified and refresh the views; the main frame
// and the graph view show it; New, Open and Save come from the framework.
// The processor uploads read it (and write the zero trims back) through
// UploadSource.
class CHalvaneDoc : public DocumentData, public link::UploadSource {
public:
    // Conversion codes of SetUnitKind: an upload's result when the connected
    // unit is of another class than the document.
    static constexpr std::int32_t kConvertToKind2 = 0xFFFF;
    static constexpr std::int32_t kConvertToKind1 = 0xFFFD;
    static constexpr std::int32_t kConvertToKind4 = 0xFFFE;
    // Also a conversion code, of a unit of the document's own class: the
    // question is asked, and the conversion changes nothing.
    static constexpr std::int32_t kConvertNothing = 0xFFFC;
    static constexpr bool IsConversionCode(std::int32_t result) {
        return result >= kConvertNothing && result <= kConvertToKind2;
    }
    // What the main window's Upload and the wizard's upload step ask on a
    // conversion code; Yes converts the document (SetUnitKind).
    static constexpr const char* kConvertQuestion =
        "Error. Upload not complete!\r\n\r\nThe file you are trying to upload was created for a different model "
        "series.  Convert file for use with the connected model?";

    // What the document needs from the program. Without an application
    // state the document has no views to refresh; a null prompt is the
    // process-wide one (platform::CurrentUserPrompt()); without post-load
    // steps an older document is only read.
    struct Services {
        AppState* app = nullptr;
        platform::UserPrompt* prompt = nullptr;
        DocumentPostLoad* postLoad = nullptr;
    };

    CHalvaneDoc();
    explicit CHalvaneDoc(Services services);
    CHalvaneDoc(const CHalvaneDoc&) = delete;
    CHalvaneDoc& operator=(const CHalvaneDoc&) = delete;

    // --- Framework operations ------------------------------------------------
    // Empties the contents (see DocumentData::ClearContents) and refreshes
    // the views. The configuration, the unit kind and the target
    // configuration stay.
    void DeleteContents();
    // New: DeleteContents, no path, not modified. Always true.
    bool OnNewDocument();
    // Open: reads the whole file into a fresh document and takes it over
    // only when all of it was read, so a failed open changes nothing here
    // and says why ("Failed to open document." with the reason; a file of
    // an unknown version gets only "Error, invalid file format."). An older
    // document runs the post-load steps and comes up modified; the views
    // are refreshed. The unit kind's slot and stage counts become the
    // process-wide ones.
    bool OnOpenDocument(const std::string& path);
    // Save: the whole file is built in memory first (a document of no unit
    // kind fails before a byte is written) and replaces `path` only once it
    // is completely on disk. Success takes the path and clears the modified
    // flag; a failure says "Failed to save document." with the reason and
    // leaves the old file as it was. The views are refreshed either way.
    bool OnSaveDocument(const std::string& path);

    bool IsModified() const { return modified_.load(); }
    void SetModifiedFlag(bool modified = true) { modified_.store(modified); }
    const std::string& GetPathName() const { return path_; }
    void SetPathName(const std::string& path) { path_ = path; }

    // --- Contents operations --------------------------------------------------
    // Switches the document to another unit class by a conversion code:
    // 0xFFFF unit kind 2, 0xFFFD unit kind 1, 0xFFFE unit kind 4. Sets the
    // process-wide counts, marks the document modified and refreshes the
    // views; the filter sets are not touched. Another code does nothing
    // (false).
    bool SetUnitKind(std::int32_t code);
    // The calculation job's end: empties slots 2 and 3, moves the curves of
    // slot 10 into slot 2 and of slot 11 into slot 3 (10 and 11 end empty),
    // marks the document modified and refreshes the views.
    void ClearCalculatedCurves();
    // Takes over contents built beside the document (a completed job's
    // results) in one step, then refreshes the views. The path and the
    // modified flag stay.
    void ReplaceContents(DocumentData&& contents);
    // The application state's refresh (nothing before start-up completes,
    // nothing without an application state).
    void RefreshMainFrameViews();

    // --- The file -------------------------------------------------------------
    // Writes version 21; DocumentArchive::WriteError for a document of no
    // unit kind (the process-wide counts are set from the unit kind first).
    void Serialize(platform::ArchiveWriter& ar) const;
    // The file as bytes (the same check).
    std::vector<std::uint8_t> SaveToBytes() const;
    // Open from bytes already read (OnOpenDocument after reading the file):
    // the same messages, post-load steps and take-over; the path is not
    // changed.
    bool LoadFromBytes(const std::vector<std::uint8_t>& bytes);

    // The version of the file last opened (0 for a new document).
    std::int32_t LoadedVersion() const { return loadedVersion_; }

    platform::UserPrompt& Prompt() const;

    // --- What the uploads read ------------------------------------------------
    // The filter sets, the target configuration, and the measured curves of
    // the Movie and Music measured slots (0 and 1).
    std::int32_t FilterGain(int configuration, int rateSlot, int channel) const override;
    const design::Biquad& FilterStage(int configuration, int rateSlot, int channel, int stage) const override;
    design::TargetConfig& Targets() override { return m_TargetConfig; }
    bool HasMeasuredCurve(int set, int channel) const override;

private:
    void ShowFailure(const std::string& headline, const std::string& reason) const;

    Services services_;
    std::string path_;
    std::atomic<bool> modified_{false};
    std::int32_t loadedVersion_ = 0;
};

}  // namespace halvane::document
