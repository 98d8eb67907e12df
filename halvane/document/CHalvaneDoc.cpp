#include "halvane/document/CHalvaneDoc.h"

#include <new>
#include <utility>

#include "halvane/diagnostics/HalvaneStrings.h"
#include "halvane/diagnostics/TCodedException.h"
#include "halvane/diagnostics/TException.h"
#include "halvane/document/AppState.h"
#include "halvane/document/DocumentArchive.h"
#include "halvane/document/DocumentPostLoad.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"
#include "platform/DocumentFile.h"
#include "platform/StringTable.h"
#include "platform/UserPrompt.h"

namespace halvane::document {

namespace {

constexpr const char* kOlderVersionNotice =
    "The measurements were made with an older version of Qex that is not 100% compatible with this version. "
    "You can still continue to use your original measurements but it is highly recommended that you re-measure "
    "your system.";
constexpr const char* kFailedToOpen = "Failed to open document.";
constexpr const char* kFailedToSave = "Failed to save document.";

// The document versions whose measurements were processed differently
// (below 19), and those whose curves and targets must be recomputed
// (below the current one).
constexpr std::int32_t kFirstCompatibleVersion = 19;

}  // namespace

CHalvaneDoc::CHalvaneDoc() : services_() {}

CHalvaneDoc::CHalvaneDoc(Services services) : services_(services) {}

platform::UserPrompt& CHalvaneDoc::Prompt() const {
    return services_.prompt != nullptr ? *services_.prompt : platform::CurrentUserPrompt();
}

void CHalvaneDoc::RefreshMainFrameViews() {
    if (services_.app != nullptr) services_.app->RefreshMainFrameViews();
}

void CHalvaneDoc::ReplaceContents(DocumentData&& contents) {
    static_cast<DocumentData&>(*this) = std::move(contents);
    RefreshMainFrameViews();
}

void CHalvaneDoc::ShowFailure(const std::string& headline, const std::string& reason) const {
    std::string text = headline;
    if (!reason.empty()) text += "\n\n" + reason;
    Prompt().MessageBox(text, "", platform::MB_OK | platform::MB_ICONWARNING);
}

void CHalvaneDoc::DeleteContents() {
    ClearContents();
    RefreshMainFrameViews();
}

bool CHalvaneDoc::OnNewDocument() {
    DeleteContents();
    path_.clear();
    loadedVersion_ = 0;
    SetModifiedFlag(false);
    return true;
}

bool CHalvaneDoc::OnOpenDocument(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!platform::DocumentFile::Read(path, bytes, error)) {
        ShowFailure(kFailedToOpen, error);
        return false;
    }
    if (!LoadFromBytes(bytes)) return false;
    path_ = path;
    return true;
}

bool CHalvaneDoc::LoadFromBytes(const std::vector<std::uint8_t>& bytes) {
    // Read into a fresh document: this one stays as it was until the whole
    // file has been read and the older document's curves rebuilt. The
    // configuration shown carries over, as when the framework reuses the
    // document for the file.
    CHalvaneDoc loaded(services_);
    loaded.m_nConfig = m_nConfig;
    std::int32_t version = 0;
    try {
        platform::ArchiveReader ar(bytes);
        version = DocumentArchive::Read(ar, loaded);
    } catch (const DocumentArchive::VersionError&) {
        diagnostics::RegisterHalvaneStrings();
        Prompt().MessageBox(platform::processStrings().text(diagnostics::ids::InvalidFileFormat), "", platform::MB_OK);
        return false;
    } catch (const platform::ArchiveException& e) {
        ShowFailure(kFailedToOpen, e.what());
        return false;
    } catch (const std::bad_alloc&) {
        ShowFailure(kFailedToOpen, "There is not enough memory to read it.");
        return false;
    }

    // The post-load jobs work with the loaded unit kind's slot and stage
    // counts (its Limits); this document keeps its own until they succeed.
    if (version < DocumentArchive::kCurrentVersion) {
        if (version < kFirstCompatibleVersion) Prompt().MessageBox(kOlderVersionNotice, "", platform::MB_OK);
        if (services_.postLoad != nullptr) {
            bool failed = true;
            std::string failure;
            try {
                services_.postLoad->RebuildGroupCurves(loaded);
                services_.postLoad->UpdateLevels(loaded);
                services_.postLoad->RunRecalcTarg(loaded);
                failed = false;
            } catch (const diagnostics::TException& e) {
                failure = e.message();
            } catch (const diagnostics::TCodedException& e) {
                failure = e.message;
            } catch (const std::exception& e) {
                failure = e.what();
            }
            if (failed) {
                ShowFailure(kFailedToOpen, failure);
                return false;
            }
        }
    }

    static_cast<DocumentData&>(*this) = std::move(static_cast<DocumentData&>(loaded));
    loadedVersion_ = version;
    // An older document comes up modified, so that closing asks to save it
    // in the current version.
    SetModifiedFlag(version < DocumentArchive::kCurrentVersion);
    RefreshMainFrameViews();
    return true;
}

void CHalvaneDoc::Serialize(platform::ArchiveWriter& ar) const {
    DocumentArchive::Write(*this, ar);
}

std::vector<std::uint8_t> CHalvaneDoc::SaveToBytes() const {
    platform::ArchiveWriter ar;
    Serialize(ar);
    return ar.take();
}

bool CHalvaneDoc::OnSaveDocument(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    try {
        bytes = SaveToBytes();
    } catch (const DocumentArchive::WriteError& e) {
        error = e.what();
    } catch (const std::bad_alloc&) {
        error = "There is not enough memory to write it.";
    }
    if (error.empty() && !platform::DocumentFile::WriteReplacing(path, bytes, error) && error.empty())
        error = "The file could not be written.";
    const bool saved = error.empty();
    if (saved) {
        path_ = path;
        SetModifiedFlag(false);
    } else {
        ShowFailure(kFailedToSave, error);
    }
    RefreshMainFrameViews();
    return saved;
}

bool CHalvaneDoc::SetUnitKind(std::int32_t code) {
    std::int32_t kind = 0;
    switch (code) {
    case kConvertToKind2: kind = 2; break;
    case kConvertToKind1: kind = 1; break;
    case kConvertToKind4: kind = 4; break;
    default: return false;
    }
    m_nUnitKind = kind;
    SetModifiedFlag(true);
    RefreshMainFrameViews();
    return true;
}

void CHalvaneDoc::ClearCalculatedCurves() {
    for (const auto& [to, from] : {std::pair{CalculatedMovie, NewCalculatedMovie},
                                   std::pair{CalculatedMusic, NewCalculatedMusic}}) {
        signal::CCurveSet& target = *CurveSetSlot(to);
        signal::CCurveSet& source = *CurveSetSlot(from);
        target.Clear();
        target = std::move(source);
        source.Clear();
    }
    SetModifiedFlag(true);
    RefreshMainFrameViews();
}

}  // namespace halvane::document
