#include "pellivar/CPellivarDoc.h"

#include "pellivar/TiXmlContainer.h"
#include "platform/ArchiveException.h"
#include "platform/ArchiveReader.h"
#include "platform/ArchiveWriter.h"
#include "platform/DocumentFile.h"
#include "platform/UserPrompt.h"

#include <algorithm>
#include <cstring>
#include <tinyxml2.h>

namespace pellivar {

namespace {

// A settings document is some 40 KB; anything far larger is not one and is
// refused before it is read into memory.
constexpr std::size_t kMaxFileBytes = std::size_t{16} << 20;

// The file layer's reason as a sentence of a message.
std::string Sentence(std::string text) {
    if (!text.empty() && text.back() != '.') text += '.';
    return text;
}

// The source a "Source" text names: the first source whose name contains
// the text (so "DVD" finds DVD1, and reads nothing there unless the name
// is exact); SourceNames::kInvalid when none does.
int findSource(const char* text) {
    if (text == nullptr) return SourceNames::kInvalid;
    for (int i = 0; i < SourceNames::kCount; ++i)
        if (std::strstr(SourceNames::name(i), text) != nullptr) return i;
    return SourceNames::kInvalid;
}

// Whether the bytes parse as an XML document at all. Text with a NUL byte,
// or with no element, is no XML document (an older binary file may start
// with bytes the parser would take as text).
bool parseXml(std::span<const std::uint8_t> bytes, tinyxml2::XMLDocument& doc) {
    if (std::find(bytes.begin(), bytes.end(), std::uint8_t{0}) != bytes.end()) return false;
    if (doc.Parse(reinterpret_cast<const char*>(bytes.data()), bytes.size()) != tinyxml2::XML_SUCCESS) return false;
    return doc.RootElement() != nullptr;
}

}  // namespace

CPellivarDoc::CPellivarDoc(UnitLink* link, platform::UserPrompt* prompt) : link_(link), prompt_(prompt), resolution_(link) {
    for (int s = 0; s < kSources; ++s) {
        auto& settings = sources_[static_cast<std::size_t>(s)];
        settings = std::make_unique<CLiveVideoSettings>(link);
        settings->SetSource(s);
    }
}

CLiveVideoSettings& CPellivarDoc::GetSourceSettings(int source) {
    const int s = source < 0 || source >= kSources ? currentSource_ : source;
    return *sources_[static_cast<std::size_t>(s)];
}

const CLiveVideoSettings& CPellivarDoc::GetSourceSettings(int source) const {
    const int s = source < 0 || source >= kSources ? currentSource_ : source;
    return *sources_[static_cast<std::size_t>(s)];
}

void CPellivarDoc::SetCurrentSource(int source) {
    if (source >= 0 && source < kSources) currentSource_ = source;
}

void CPellivarDoc::SetAllSources() {
    for (auto& s : sources_) s->SetAll();
}

void CPellivarDoc::QueryAllSources() {
    for (auto& s : sources_) s->QueryAll();
}

void CPellivarDoc::Show(const std::string& text, const char* caption) {
    platform::UserPrompt& prompt = prompt_ != nullptr ? *prompt_ : platform::CurrentUserPrompt();
    prompt.MessageBox(text, caption, platform::MB_OK | platform::MB_ICONWARNING);
}

tinyxml2::XMLElement* CPellivarDoc::BuildXml(tinyxml2::XMLDocument& doc) const {
    tinyxml2::XMLElement* root = doc.NewElement(kRootName);
    root->SetAttribute("Version", kRootVersion);
    for (const auto& s : sources_) root->InsertEndChild(s->ToXml(doc));
    root->InsertEndChild(resolution_.ToXml(doc));
    for (int c = 0; c < kCurves; ++c) {
        tinyxml2::XMLElement* curve = curves_[static_cast<std::size_t>(c)].ToXml(doc);
        curve->SetAttribute("Val", c);
        root->InsertEndChild(curve);
    }
    return root;
}

std::string CPellivarDoc::XmlText() const {
    tinyxml2::XMLDocument doc;
    doc.InsertEndChild(doc.NewDeclaration(kDeclaration));
    doc.InsertEndChild(doc.NewComment(kComment));
    doc.InsertEndChild(BuildXml(doc));
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    // The printer's size counts its terminating NUL.
    return std::string(printer.CStr(), printer.CStrSize() > 0 ? static_cast<std::size_t>(printer.CStrSize() - 1) : 0);
}

bool CPellivarDoc::OnSaveDocument(const std::string& path) {
    const std::string text = XmlText();
    std::string error;
    const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
    if (!platform::DocumentFile::WriteReplacing(path, {data, text.size()}, error)) {
        Show("The settings could not be saved.\n" + Sentence(error) + "\nThe file was not changed.", kSaveFailedCaption);
        return false;
    }
    modified_ = false;
    return true;
}

bool CPellivarDoc::ReadXml(const tinyxml2::XMLDocument& doc) {
    // The root follows the declaration and the comment.
    const tinyxml2::XMLNode* node = doc.FirstChild();
    if (node != nullptr) node = node->NextSibling();
    if (node != nullptr) node = node->NextSibling();
    const tinyxml2::XMLElement* root = node != nullptr ? node->ToElement() : nullptr;
    if (root == nullptr || std::strcmp(root->Name(), kRootName) != 0) {
        Show(kNoRootText, kLoadFailedCaption);
        return false;
    }

    if (const tinyxml2::XMLElement* e = root->FirstChildElement(resolution_.Name().c_str())) resolution_.FromXml(*e);

    for (const tinyxml2::XMLElement* e = root->FirstChildElement("GammaCurve"); e != nullptr;
         e = e->NextSiblingElement("GammaCurve")) {
        int val = -1;
        if (!ReadIntAttribute(*e, "Val", val) || val < 0 || val >= kCurves) {
            Show(kGammaFailedText, kLoadFailedCaption);
            continue;
        }
        // A curve that cannot be drawn or sent (no count, too few children,
        // too few or too many points, a point off the grid) is the default.
        CGammaList curve;
        if (!curve.FromXml(*e) || !curve.IsValid()) {
            curve.Reset();
            Show(kGammaFailedText, kLoadFailedCaption);
        }
        curves_[static_cast<std::size_t>(val)] = curve;
    }

    for (const tinyxml2::XMLElement* e = root->FirstChildElement("SourceSettings"); e != nullptr;
         e = e->NextSiblingElement("SourceSettings")) {
        const int source = findSource(e->Attribute("Source"));
        if (source == SourceNames::kInvalid) {
            Show(kInvalidSourceText, kLoadFailedCaption);
            continue;
        }
        sources_[static_cast<std::size_t>(source)]->FromXml(*e);
    }
    return true;
}

CPellivarDoc::LoadResult CPellivarDoc::LoadFromBytes(std::span<const std::uint8_t> bytes) {
    tinyxml2::XMLDocument doc;
    if (parseXml(bytes, doc)) {
        if (!ReadXml(doc)) return LoadResult::Failed;
        modified_ = false;
        return LoadResult::Xml;
    }
    Show(kDeprecatedLoadText, kLoadFailedCaption);
    try {
        LoadOldFormat(bytes);
    } catch (const platform::ArchiveException&) {
        Show(kNotOldFormatText, kLoadFailedCaption);
        return LoadResult::Failed;
    }
    modified_ = false;
    return LoadResult::OldFormat;
}

bool CPellivarDoc::OnOpenDocument(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!platform::DocumentFile::Read(path, bytes, error, kMaxFileBytes)) {
        Show("The file \"" + path + "\" could not be opened.\n" + Sentence(error), kLoadFailedCaption);
        return false;
    }
    const LoadResult result = LoadFromBytes(bytes);
    // Only a file that was read as a whole is offered for conversion: its
    // settings are then all in the document, and nothing is lost.
    if (result == LoadResult::OldFormat) {
        platform::UserPrompt& prompt = prompt_ != nullptr ? *prompt_ : platform::CurrentUserPrompt();
        if (prompt.MessageBox(kConvertText, kConfirmCaption, platform::MB_YESNO | platform::MB_ICONQUESTION) ==
            platform::IDYES)
            OnSaveDocument(path);
    }
    return result != LoadResult::Failed;
}

// Each value is checked against its range as the XML reader checks it (one
// out of range gets its default), so a damaged old file cannot put values
// on the processor that it does not accept.
void CPellivarDoc::LoadOldFormat(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kOldFileBytes)
        throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                         "An older settings file holds exactly 1432 bytes.");
    platform::ArchiveReader in(bytes);
    in.skip(8 * 4);
    std::array<std::array<int, kOldValues>, kOldSources> staged{};
    for (auto& source : staged) {
        in.skip(3 * 4);
        for (int& v : source) v = in.readInt32();
    }
    if (!in.atEnd())
        throw platform::ArchiveException(platform::ArchiveException::Cause::Generic, "Data follows the last source.");
    for (std::size_t s = 0; s < kOldSources; ++s) {
        CLiveVideoSettings& settings = *sources_[s];
        for (std::size_t j = 0; j < kOldValues; ++j) {
            for (int i = 0; i < kVideoSettingCount; ++i) {
                if (std::strcmp(kVideoSettings[static_cast<std::size_t>(i)].prefix, kOldValueOrder[j]) != 0) continue;
                SubscribedInt& value = settings.Value(static_cast<VideoSetting>(i));
                value.SetValue(staged[s][j]);
                value.Validate();
            }
        }
    }
}

void CPellivarDoc::Serialize(platform::ArchiveReader& in) {
    if (in.remaining() != kOldFileBytes)
        throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                         "An older settings file holds exactly 1432 bytes.");
    std::vector<std::uint8_t> bytes(kOldFileBytes);
    in.readBytes(bytes.data(), bytes.size());
    LoadOldFormat(bytes);
}

void CPellivarDoc::StoreOldFormat(platform::ArchiveWriter&) const {
    throw platform::ArchiveException(platform::ArchiveException::Cause::Generic,
                                     "Settings are saved as XML only; the older form cannot be written.");
}

}  // namespace pellivar
