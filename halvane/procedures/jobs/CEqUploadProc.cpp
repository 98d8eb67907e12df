#include "halvane/procedures/jobs/CEqUploadProc.h"

#include "halvane/document/CHalvaneDoc.h"
#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/ModelTable.h"
#include "halvane/link/UnitBase.h"
#include "halvane/link/UnitClassLimits.h"
#include "halvane/link/Units.h"
#include "halvane/procedures/framework/CheckAbort.h"
#include "halvane/procedures/framework/DoProcedure.h"
#include "halvane/procedures/framework/DoneGuard.h"
#include "halvane/procedures/framework/ExitActions.h"
#include "platform/UserPrompt.h"

namespace halvane::procedures {

namespace {

constexpr const char* kNoUnitText = "Could not find a valid Tessik processor.";

// How far the writing got, for the sentence that tells the user what the
// processor holds after a failure. Filters: the filter phase was prepared
// (whether a word went out since is told apart); SpeakerPowerUp: the
// filters are complete and the speaker phase's power cycle began.
enum class Reached { Nothing, Preparing, Filters, FiltersDone, SpeakerPowerUp, Speakers };

// One plain sentence of the state a failed upload or erase leaves, from what
// the job knows; empty when the processor was left as it was.
// `switchedOff`: the end of the speaker phase saw the processor switched off.
std::string StateLeft(Reached reached, bool wordsSent, int unitClass, bool erase, bool lineDown, bool switchedOff) {
    if (unitClass == 4) {
        // The receiver's filters are marked not valid once the upload is
        // prepared, until the end of a complete upload marks them valid.
        if (reached >= Reached::Filters)
            return "The processor's room correction is now switched off: upload again to switch it on.";
        return {};
    }
    const bool mixed = reached == Reached::Filters && wordsSent;
    const bool unchanged = reached == Reached::Filters && !wordsSent;
    const bool debugLeftOn = lineDown && (reached == Reached::Preparing || reached == Reached::Filters);
    const char* newer = erase ? "erased" : "new";
    if (mixed && debugLeftOn)
        return std::string("The processor now holds a mix of old and ") + newer +
               " filters and may still be in debug mode: switch it off and on, then upload again or erase.";
    if (mixed)
        return std::string("The processor now holds a mix of old and ") + newer + " filters: upload again or erase.";
    if (unchanged && debugLeftOn)
        return "The processor's filters were not changed, but it may still be in debug mode: switch it off and on.";
    if (unchanged) return "The processor's filters were not changed.";
    if (debugLeftOn) return "The processor may still be in debug mode: switch it off and on.";
    // The speaker phase's end switches the processor off; only the
    // processor's own answer tells that it did.
    if (reached == Reached::SpeakerPowerUp && !switchedOff)
        return "The new filters are in place; the speaker settings were not changed and the processor may still be "
               "switched on: switch it off, then upload again.";
    if (reached == Reached::SpeakerPowerUp)
        return "The new filters are in place; the speaker settings were not changed and the processor was switched "
               "off: upload again.";
    if (reached == Reached::Speakers) return "The speaker settings were only partly written: upload again.";
    return {};
}

}  // namespace

CEqUploadProc::CEqUploadProc(document::CHalvaneDoc& document, int mode)
    : CProcBase(&document), mode_(mode), progress_(*this, &document.Prompt()) {
    title_ = "Uploading/Verifying.";
}

void CEqUploadProc::UnitProgress::SetRange(int total) {
    if (IProcDialog* host = job_.Host()) host->SetRange(total);
}

void CEqUploadProc::UnitProgress::Step(int steps) {
    if (IProcDialog* host = job_.Host()) host->Step(steps);
}

void CEqUploadProc::UnitProgress::SetText(std::string text) {
    auto lock = LockUpdates();
    if (IsAborted() != 0) return;
    StoreStatusText(text);
    if (IProcDialog* host = job_.Host()) host->SetDisplayString(std::move(text));
}

platform::WindowHandle CEqUploadProc::UnitProgress::GetWindow() {
    IProcDialog* host = job_.Host();
    return host != nullptr ? host->GetHwnd() : platform::WindowHandle{};
}

void CEqUploadProc::UnitProgress::Abort() { job_.Abort(); }

int CEqUploadProc::UnitProgress::IsAborted() const {
    IProcDialog* host = job_.Host();
    return host != nullptr && host->RunningFlag().load() == 0 ? 1 : 0;
}

void CEqUploadProc::UnitProgress::ThrowIfAborted() { CheckAbort(job_.running_.load()); }

int CEqUploadProc::Run(void*) {
    IProcDialog* host = Host();
    DoneGuard guard(host);
    // Declared after the guard: the exit actions have all run before the
    // host hears of the end.
    ExitActions exits;
    auto& doc = *static_cast<document::CHalvaneDoc*>(Document());
    progress_.SetText("Please wait, this will take several minutes.");
    running_.store(host != nullptr ? &host->RunningFlag() : nullptr);
    exits.Arm([this] { running_.store(nullptr); });

    unit_ = link::ConTypes::FindConnectedUnit(&progress_);
    if (unit_ == nullptr) throw diagnostics::TException(link::ConTypes::NoUnitFoundText());
    exits.UsePort(unit_->Port());
    exits.Arm([this] { link::ConTypes::ReleaseUnit(unit_); });
    if (unit_->ModelIndex() == link::ConTypes::kNoUnitModel) throw diagnostics::TException(kNoUnitText);

    const bool erase = mode_ == kErase;
    const std::int32_t documentKind = doc.m_nUnitKind;

    const std::int32_t connected = unit_->UnitClass();
    if (connected != documentKind) {
        if (!erase) {
            int code = 0;
            switch (connected) {
                case 1: code = document::CHalvaneDoc::kConvertToKind1; break;
                case 2: code = document::CHalvaneDoc::kConvertToKind2; break;
                case 4: code = document::CHalvaneDoc::kConvertToKind4; break;
                default: throw diagnostics::TException("Unsuported unit class");
            }
            exits.RunAll();
            guard.Dismiss();
            if (host != nullptr) host->Done(code);
            return code;
        }
        // The unit writes with its own class's limits; the document's stay
        // the program's.
        if (!link::UnitClassLimits::ForUnitClass(connected)) throw diagnostics::TException(kNoUnitText);
    }

    Reached reached = Reached::Nothing;
    bool switchedOff = false;
    // The filters count as changed from the first word that went out.
    const std::int64_t wordsBefore = unit_->FilterWordsSent();
    try {
        {
            // A preparation that fails part-way is ended as the upload is;
            // the phase's own exit actions run before its failure is told.
            ExitActions phase;
            phase.UsePort(unit_->Port());
            const auto endUpload = phase.Arm([this] { unit_->EndUpload(1); });
            reached = Reached::Preparing;
            unit_->PrepareUpload();
            reached = Reached::Filters;
            progress_.SetText("Uploading gains.");
            unit_->UploadGains(erase, &doc);
            progress_.SetText("Done uploading gains.");
            progress_.SetText("Uploading room correction parameters.");
            unit_->UploadCoefficients(erase, &doc);
            progress_.SetText("Done uploading room correction parameters.");
            reached = Reached::FiltersDone;
            unit_->EndUpload(0);
            phase.Dismiss(endUpload);
        }
        if (!erase) {
            // Armed before the power cycle, which can fail part-way with
            // the processor switched on.
            ExitActions phase;
            phase.UsePort(unit_->Port());
            const auto endSpeakers = phase.Arm([this, &switchedOff] {
                const std::int64_t before = unit_->Port().ConfirmedSwitchOffs();
                unit_->EndSpeakerUpload(1);
                switchedOff = unit_->Port().ConfirmedSwitchOffs() != before;
            });
            reached = Reached::SpeakerPowerUp;
            unit_->BeginSpeakerUpload();
            reached = Reached::Speakers;
            progress_.SetText("Uploading speaker configuration.");
            unit_->UploadSpeakerConfig(&doc);
            progress_.SetText("Done uploading speaker configuration.");
            progress_.SetText("Uploading speaker levels.");
            unit_->UploadSpeakerLevels(&doc);
            progress_.SetText("Done uploading speaker levels.");
            phase.Dismiss(endSpeakers);
        }
        unit_->EndSpeakerUpload(0);
    } catch (const diagnostics::TException& failure) {
        // An abort ends as aborted, whatever the exchange it cut short
        // reported; either way the user learns what the processor holds.
        const link::Comm::CBasicTessikPort& port = unit_->Port();
        const bool lineDown = port.LinkFailed() || !port.IsOpen();
        std::string text = progress_.IsAborted() != 0 ? std::string(kProcedureAbortedText) : failure.message();
        const bool wordsSent = unit_->FilterWordsSent() != wordsBefore;
        const std::string state = StateLeft(reached, wordsSent, connected, erase, lineDown, switchedOff);
        if (!state.empty()) {
            if (!text.empty() && text.back() != '\n') text += "\n";
            text += state;
        }
        throw diagnostics::TException(text);
    }
    exits.RunAll();
    guard.Dismiss();
    if (host != nullptr) host->Done(1);
    return 1;
}

void CEqUploadProc::OnProcedureComplete(int result, const diagnostics::TException* lastError, platform::WindowHandle parent) {
    auto* doc = static_cast<document::CHalvaneDoc*>(Document());
    platform::UserPrompt& prompt = doc->Prompt();
    if (result == 1) {
        prompt.MessageBox("Upload/Verify complete!", "", platform::MB_OK, parent);
    } else if (result != document::CHalvaneDoc::kConvertToKind2) {
        std::string text = "Upload/Verify failed!";
        if (lastError != nullptr) text += "\n" + lastError->message();
        prompt.MessageBox(text, "", platform::MB_OK | platform::MB_ICONERROR, parent);
    }
}

int RunUploadProc(platform::WindowHandle parent, document::CHalvaneDoc& document, IProcDialog* host,
                  const ProcedureDialogShell& shell) {
    CEqUploadProc job(document, CEqUploadProc::kUpload);
    return DoProcedure(&job, parent, host, shell);
}

int RunEraseProc(platform::WindowHandle parent, document::CHalvaneDoc& document, IProcDialog* host,
                 const ProcedureDialogShell& shell) {
    CEqUploadProc job(document, CEqUploadProc::kErase);
    return DoProcedure(&job, parent, host, shell);
}

}  // namespace halvane::procedures
