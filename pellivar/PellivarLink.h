#pragma once

#include "pellivar/CTessikCommunicator.h"
#include "pellivar/UnitLink.h"

#include <atomic>
#include <string>

namespace pellivar {

// The program's command hand-over: every page, control and value sends
// through here. A command goes to the communicator only while a unit is
// connected and sending is enabled (it is not while a document is being
// opened, so values read from a file are not sent one by one); otherwise it
// is dropped.
class PellivarLink final : public UnitLink {
public:
    explicit PellivarLink(CTessikCommunicator& communicator) : communicator_(communicator) {}

    void UpdateUnitWithString(const std::string& text) override { HandOver(text + "\n"); }
    // Exactly the given text (the tree bar's power-on line has no "\n").
    void HandOver(const std::string& text) {
        if (sendEnabled_ && communicator_.GetPort().IsConnected()) communicator_.QueueCommand(text);
    }

    bool Subscribe(SItemPtr item) override { return communicator_.Subscribe(std::move(item)); }
    void Unsubscribe(const SItem* item) override { communicator_.Unsubscribe(item); }

    void SetSendEnabled(bool on) { sendEnabled_ = on; }
    bool SendEnabled() const { return sendEnabled_.load(); }

    // Sending is off for the life of the guard (opening a document).
    class SendingPaused {
    public:
        explicit SendingPaused(PellivarLink& link) : link_(link), was_(link.SendEnabled()) { link.SetSendEnabled(false); }
        ~SendingPaused() { link_.SetSendEnabled(was_); }
        SendingPaused(const SendingPaused&) = delete;
        SendingPaused& operator=(const SendingPaused&) = delete;

    private:
        PellivarLink& link_;
        bool was_;
    };

    CTessikCommunicator& Communicator() { return communicator_; }

private:
    CTessikCommunicator& communicator_;
    std::atomic<bool> sendEnabled_{true};
};

}  // namespace pellivar
