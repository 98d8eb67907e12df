#pragma once

#include "pellivar/CGammaList.h"
#include "pellivar/CLiveVideoSettings.h"
#include "pellivar/CustomOutputResolutionSettings.h"
#include "pellivar/UnitLink.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace platform {
class ArchiveReader;
class ArchiveWriter;
class UserPrompt;
}  // namespace platform

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace pellivar {

// Pellivar's one document: the video settings of the 17 sources, the custom
// output resolution and the four custom gamma curves, kept in a ".kvx"
// file:
//
//   <?xml version="1.1" standalone="no" ?>
//   <!--Tessik Live Video Settings file .kvx-->
//   <Settings Version="1.31">
//     17 x <SourceSettings Source="name"> with 36 <Key Value="n"/>
//     <CustomOutputResolutionSettings> with 12 <Key Value="n"/>
//     4 x <GammaCurve Count="n" Version="1001" Val="0..3"> with <Point X Y/>
//   </Settings>
//
// Opening reuses the document: what a file does not hold keeps its value.
// Files of the older binary form (1432 bytes) are read and may be converted.
// The document never talks to the processor; pages send its values.
class CPellivarDoc {
public:
    static constexpr int kSources = 17;
    static constexpr int kCurves = 4;
    static constexpr int kInitialSource = 5;  // DVD1
    static constexpr const char* kRootName = "Settings";
    static constexpr const char* kRootVersion = "1.31";
    static constexpr const char* kComment = "Tessik Live Video Settings file .kvx";
    static constexpr const char* kDeclaration = "xml version=\"1.1\" standalone=\"no\"";

    // The older binary form: 8 ignored ints, then per source 0-9 three
    // ignored ints and 32 values (int32, little-endian), and nothing after.
    static constexpr std::size_t kOldSources = 10;
    static constexpr std::size_t kOldValues = 32;
    static constexpr std::size_t kOldFileBytes = 4 * (8 + kOldSources * (3 + kOldValues));
    static constexpr std::array<const char*, kOldValues> kOldValueOrder = {
        "fS", "fR", "fc", "fb", "fs", "fh", "fF", "fd", "fD", "fn", "fm", "fB", "fC", "fl", "fV", "fP",
        "fW", "fo", "fp", "fq", "fr", "fA", "fE", "fO", "fa", "fe", "ff", "fg", "ft", "fu", "fv", "fw"};

    // Texts shown while opening and saving.
    static constexpr const char* kLoadFailedCaption = "XML - Load Failed";
    static constexpr const char* kGammaFailedText = "Failure To Load GammaCurve";
    static constexpr const char* kInvalidSourceText = "Failure To Load SourceSettings due to invalid source";
    static constexpr const char* kDeprecatedLoadText = "Warning - XML load error - attempting depreciated load";
    static constexpr const char* kConvertText = "Would you like to convert to the new fileformat?";
    static constexpr const char* kConfirmCaption = "Please Confirm";
    static constexpr const char* kNoRootText =
        "This is not a Tessik Live Video Settings file: its \"Settings\" element is missing or not in its place.";
    static constexpr const char* kNotOldFormatText =
        "This file is neither a Tessik Live Video Settings file nor one of the older settings files "
        "(which hold exactly 1432 bytes). Nothing was loaded.";
    static constexpr const char* kSaveFailedCaption = "Save Failed";

    enum class LoadResult { Failed, Xml, OldFormat };

    // `link` binds every source's values (their replies and commands);
    // `prompt` null means the program's prompt.
    explicit CPellivarDoc(UnitLink* link = nullptr, platform::UserPrompt* prompt = nullptr);
    CPellivarDoc(const CPellivarDoc&) = delete;
    CPellivarDoc& operator=(const CPellivarDoc&) = delete;

    // Source 0-16, or -1 for the current source.
    CLiveVideoSettings& GetSourceSettings(int source = -1);
    const CLiveVideoSettings& GetSourceSettings(int source = -1) const;
    std::array<CGammaList, kCurves>& GetGammaLists() { return curves_; }
    const std::array<CGammaList, kCurves>& GetGammaLists() const { return curves_; }
    CustomOutputResolutionSettings& GetOutputResolution() { return resolution_; }
    const CustomOutputResolutionSettings& GetOutputResolution() const { return resolution_; }
    int CurrentSource() const { return currentSource_; }
    void SetCurrentSource(int source);

    // Every source's set / query commands, sources 0 to 16 in order.
    void SetAllSources();
    void QueryAllSources();

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    // Saves the document as XML through a temporary file and a rename; a
    // failure is shown and leaves the old file as it was.
    bool OnSaveDocument(const std::string& path);
    // Opens a ".kvx" file, or an older file (then offers to convert it in
    // place). A file that cannot be read is shown and changes nothing.
    bool OnOpenDocument(const std::string& path);

    // The open without the file and without the conversion question.
    LoadResult LoadFromBytes(std::span<const std::uint8_t> bytes);
    // The whole XML text (declaration, comment, root).
    std::string XmlText() const;
    // The "Settings" element.
    tinyxml2::XMLElement* BuildXml(tinyxml2::XMLDocument& doc) const;

    // The older binary form: reads only a stream of exactly its size, and
    // changes nothing unless the whole stream was read (ArchiveException
    // otherwise). Storing it is not supported and always throws.
    void LoadOldFormat(std::span<const std::uint8_t> bytes);
    void StoreOldFormat(platform::ArchiveWriter& out) const;
    // The same through an archive: loading takes the rest of the stream,
    // which must be exactly the older form.
    void Serialize(platform::ArchiveReader& in);
    void Serialize(platform::ArchiveWriter& out) const { StoreOldFormat(out); }

private:
    // Reads a document that parsed; false when its root is not in place.
    bool ReadXml(const tinyxml2::XMLDocument& doc);
    void Show(const std::string& text, const char* caption);

    UnitLink* link_;
    platform::UserPrompt* prompt_;
    std::array<std::unique_ptr<CLiveVideoSettings>, kSources> sources_;
    std::array<CGammaList, kCurves> curves_;
    CustomOutputResolutionSettings resolution_;
    int currentSource_ = kInitialSource;
    bool modified_ = false;
};

}  // namespace pellivar
