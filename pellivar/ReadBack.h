#pragma once

#include "pellivar/CGammaList.h"
#include "pellivar/SHItem.h"
#include "pellivar/SubscribedInt.h"
#include "pellivar/UnitLink.h"

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pellivar {

// What a bulk send left in the processor, read back with the program's own
// queries. The processor acknowledges nothing it is sent, and a byte lost on
// the line turns "fas03" into "as03" (ignored) or "fPs115" into "fPs15" (the
// wrong value): only asking shows what arrived. Each checked value knows its
// query, the reply it expects and the commands that send it again; values
// that come back different, or not at all, are sent again a bounded number
// of times and whatever still differs is named to the user.
//
// The check subscribes its own reply items; replies also reach the values'
// own subscriptions, so the caller keeps the document's values and puts them
// back afterwards (the document holds what was to be sent).
//
// A retrieval uses it too: its items expect no particular value, any reply
// answers them, and what gave none is asked again.
class ReadBack final : public ReplyWindow {
public:
    // A reply's text (after the key) as the user reads the value.
    using Shown = std::function<std::string(const std::string& text)>;
    struct Item {
        std::string name;     // as the pages name the value
        std::string query;    // without "\n"
        std::string key;      // the reply begins with it
        std::string expected; // the reply's text after the key
        std::vector<std::string> resend;
        bool curvePoint = false;  // the texts are "xxxyyy" in hex, or "AAAAAA" past the end
        bool anyReply = false;    // retrieved, not sent: every reply with a value answers it
        Shown shown;              // empty: the text as it came
    };
    // Withdrawn: no longer checked (a newer edit of the value replaced it).
    enum class State { Unchecked, Confirmed, Differs, NoReply, Withdrawn };

    // How often a value is sent again before it is reported.
    static constexpr int kMaxResends = 3;
    // How many values a report names before it only counts the rest.
    static constexpr std::size_t kNamesShown = 12;

    explicit ReadBack(UnitLink& link);
    ~ReadBack() override;
    ReadBack(const ReadBack&) = delete;
    ReadBack& operator=(const ReadBack&) = delete;

    // An item from a set command "<pp>s<ch><value>" and its query
    // "<pp>?<ch>": the reply "<pp><ch><value>" is expected.
    void AddSet(std::string name, const std::string& set, const std::string& query, Shown shown = {});
    void AddValue(std::string name, const SubscribedInt& value, Shown shown = {});
    // A value a lost byte may have reached on its way to another: taken as
    // confirmed, and asked only once Doubt() is called.
    void AddDoubtfulSet(std::string name, const std::string& set, const std::string& query, Shown shown = {});
    // The line lost something: the doubtful values are asked at the next
    // round (and sent again where they differ). Returns how many.
    std::size_t Doubt();
    // What the unit hears of `sent` when one of its bytes is lost, for each
    // byte in turn.
    static std::vector<std::string> HeardWithOneLost(const std::string& sent);
    // A value to be retrieved: its query, answered by any reply.
    void AddQuery(std::string name, const SubscribedInt& value);
    // The first `slots` slots of a curve as it was sent (named "<curveName>,
    // point <n>" from 1): a point below the count, the "past the end"
    // answer above it. A slot that differs sends the point and the curve's
    // end again.
    void AddCurve(int curve, const CGammaList& list, const std::string& curveName, int slots);
    // One point of a curve as it was sent.
    void AddCurvePoint(int curve, int index, const CGammaList& list, const std::string& curveName);

    std::size_t size() const { return items_.size(); }
    const Item& item(std::size_t i) const { return items_[i].item; }
    State state(std::size_t i) const { return items_[i].state; }
    // The reply text the unit gave last (after the key), empty without one.
    const std::string& got(std::size_t i) const { return items_[i].got; }

    // Queues the query of every value not yet confirmed; the replies that
    // come until Settle() decide. Returns how many were queued.
    std::size_t QueueQueries();
    // The round's replies are in (its end marker came back): a value that
    // gave no reply stays unconfirmed.
    void Settle();
    // Queues the commands of every value that differs or gave no reply;
    // returns how many values are sent again. A command that loses one byte
    // on the way can become another value's set ("fXsd101" turns into
    // "fXs101", source 1's): such values are read back again too.
    std::size_t QueueResends();

    // Values not confirmed (different, unanswered or never asked).
    std::size_t Outstanding() const;
    // Values asked in the current round whose reply has not come yet.
    std::size_t Awaited() const;
    // Values the check no longer follows: they count as neither confirmed
    // nor outstanding, and are neither asked nor sent again.
    void Withdraw(std::size_t i);
    // Empty when every value is confirmed; otherwise how many differ from
    // what was sent and which.
    std::string Report() const;
    // The values still without a reply, one line each ("\n<name>: no
    // reply"), the first kNamesShown of them.
    std::string Unanswered() const;

    void OnControlRequestCompleted(const std::string& reply) override;

private:
    struct Entry {
        Item item;
        State state = State::Unchecked;
        bool asked = false;  // queried in the current round
        std::string got;
        bool doubtful = false;  // confirmed until doubted
        bool Open() const { return state != State::Confirmed && state != State::Withdrawn; }
    };
    void AddItem(Item item);
    // A reply text as the user reads it: a curve point as "(x, y)".
    static std::string AsShown(const Item& item, const std::string& text);
    static bool SameAnswer(const Item& item, const std::string& got);
    // Up to kNamesShown lines of the open items, then how many more.
    std::string Lines(const std::function<std::string(const Entry&)>& line) const;
    void SubscribeFor(const std::string& key);

    UnitLink& link_;
    std::vector<Entry> items_;
    std::map<std::string, std::size_t> byKey_;
    // By the start of the value's set command ("fcs3" for the key "fc3").
    std::map<std::string, std::size_t> bySetStart_;
    std::vector<std::size_t> setStartLengths_;
    std::vector<std::size_t> keyLengths_;
    std::vector<std::shared_ptr<SHItem>> subscriptions_;
};

}  // namespace pellivar
