#pragma once

#include "pellivar/CPellivarDoc.h"
#include "pellivar/CTessikCommunicator.h"
#include "pellivar/PellivarLink.h"
#include "pellivar/SettledEdits.h"
#include "pellivar/ui/QtPoster.h"

#include <memory>

namespace platform {
class Profile;
}

namespace pellivar::ui {

// The program's state below the windows: the poster into the
// user-interface thread, the communicator (port, reader, send worker), the
// command hand-over, the read-back of single edits and the one document.
// "Long Wait" starts on.
class CPellivarApp {
public:
    static constexpr const char* kCompanyKey = "FenwardeElectronics\\";
    static constexpr const char* kProgramName = "Pellivar";
    static constexpr const char* kVersion = "1.31";
    static constexpr int kRecentFiles = 4;

    struct Options {
        platform::Clock* clock = nullptr;    // null: the system clock
        Timing timing{};
        PortResolver resolver;               // empty: COMn from the environment or the machine
        platform::Profile* profile = nullptr;  // recent files; null: none kept
    };

    CPellivarApp();
    explicit CPellivarApp(Options options);
    ~CPellivarApp();
    CPellivarApp(const CPellivarApp&) = delete;
    CPellivarApp& operator=(const CPellivarApp&) = delete;

    CTessikCommunicator& GetCommunicator() { return *communicator_; }
    PellivarLink& Link() { return *link_; }
    SettledEdits& Edits() { return *edits_; }
    CPellivarDoc& GetCurrentDoc() { return *doc_; }
    platform::Profile* Profile() { return profile_; }
    QtPoster& Poster() { return poster_; }

    // Every page, control and value sends through here ("\n" is appended).
    void UpdateUnitWithString(const std::string& text) { link_->UpdateUnitWithString(text); }

    bool LongWait() const { return communicator_->LongWait(); }
    void SetLongWait(bool on) { communicator_->SetLongWait(on); }

private:
    QtPoster poster_;
    platform::Profile* profile_;
    std::unique_ptr<CTessikCommunicator> communicator_;
    std::unique_ptr<PellivarLink> link_;
    std::unique_ptr<SettledEdits> edits_;
    std::unique_ptr<CPellivarDoc> doc_;
};

}  // namespace pellivar::ui
