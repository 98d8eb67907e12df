#include "pellivar/ReadBack.h"

#include "pellivar/CTessikCommunicator.h"
#include "pellivar/GammaCurveExchange.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace pellivar {

namespace {

// A decimal number and nothing else.
bool asNumber(const std::string& text, long long& out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return !text.empty() && ec == std::errc() && ptr == end;
}

}  // namespace

ReadBack::ReadBack(UnitLink& link) : link_(link) {}

ReadBack::~ReadBack() {
    for (const auto& s : subscriptions_) {
        s->Detach();
        link_.Unsubscribe(s.get());
    }
}

void ReadBack::SubscribeFor(const std::string& key) {
    // One subscription per first character is enough: the check sorts the
    // replies out itself (every setting's reply begins with "f").
    const std::string first = key.substr(0, 1);
    for (const auto& s : subscriptions_)
        if (s->Key() == first) return;
    auto item = std::make_shared<SHItem>(first, static_cast<ReplyWindow*>(this));
    if (link_.Subscribe(item)) subscriptions_.push_back(std::move(item));
}

void ReadBack::AddSet(std::string name, const std::string& set, const std::string& query, Shown shown) {
    const std::string key = CTessikCommunicator::ReplyKeyOfQuery(query);
    const auto q = query.find('?');
    // "<pp>s<ch><value>" against "<pp>?<ch>": the reply is the key and the value.
    if (key.empty() || set.size() < key.size() + 1 || set.compare(0, q, query, 0, q) != 0 || set[q] != 's' ||
        set.compare(q + 1, key.size() - q, key, q) != 0)
        return;
    AddItem({std::move(name), query, key, set.substr(key.size() + 1), {set}, false, false, std::move(shown)});
}

void ReadBack::AddDoubtfulSet(std::string name, const std::string& set, const std::string& query, Shown shown) {
    const std::size_t before = items_.size();
    AddSet(std::move(name), set, query, std::move(shown));
    if (items_.size() == before) return;
    items_.back().state = State::Confirmed;
    items_.back().doubtful = true;
}

std::size_t ReadBack::Doubt() {
    std::size_t doubted = 0;
    for (Entry& e : items_) {
        if (!e.doubtful) continue;
        e.doubtful = false;
        if (e.state != State::Confirmed) continue;
        e.state = State::Unchecked;
        ++doubted;
    }
    return doubted;
}

void ReadBack::AddItem(Item item) {
    const std::string key = item.key;
    if (key.empty() || byKey_.count(key) != 0) return;
    byKey_[key] = items_.size();
    if (std::find(keyLengths_.begin(), keyLengths_.end(), key.size()) == keyLengths_.end()) {
        keyLengths_.push_back(key.size());
        std::sort(keyLengths_.rbegin(), keyLengths_.rend());  // the longest key first
    }
    const auto q = item.query.find('?');
    if (q != std::string::npos && q <= key.size()) {
        const std::string start = key.substr(0, q) + "s" + key.substr(q);
        bySetStart_[start] = items_.size();
        if (std::find(setStartLengths_.begin(), setStartLengths_.end(), start.size()) == setStartLengths_.end())
            setStartLengths_.push_back(start.size());
    }
    SubscribeFor(key);
    Entry entry;
    entry.item = std::move(item);
    items_.push_back(std::move(entry));
}

void ReadBack::AddValue(std::string name, const SubscribedInt& value, Shown shown) {
    const CommandSpec& c = value.Command();
    if (c.Prefix().empty()) return;
    AddSet(std::move(name), c.BuildSet(value.Value()), c.BuildQuery(), std::move(shown));
}

void ReadBack::AddQuery(std::string name, const SubscribedInt& value) {
    const std::string query = value.Command().BuildQuery();
    const std::string key = CTessikCommunicator::ReplyKeyOfQuery(query);
    if (key.empty()) return;
    AddItem({std::move(name), query, key, {}, {}, false, true, {}});
}

void ReadBack::AddCurve(int curve, const CGammaList& list, const std::string& curveName, int slots) {
    const int count = list.GetCount();
    const std::string end = GammaCurveExchange::EndCommand(curve, count);
    for (int i = 0; i < std::min(slots, GammaCurveExchange::kSlots); ++i) {
        const std::string query = GammaCurveExchange::QueryCommand(curve, i);
        const std::string key = CTessikCommunicator::ReplyKeyOfQuery(query);
        const std::string name = curveName + ", point " + std::to_string(i + 1);
        if (i < count) {
            const std::string point = GammaCurveExchange::PointCommand(curve, i, *list.GetAt(i));
            AddItem({name, query, key, point.substr(key.size() + 1), {point, end}, true, false, {}});
        } else {
            AddItem({name, query, key, "AAAAAA", {end}, true, false, {}});
        }
    }
}

void ReadBack::AddCurvePoint(int curve, int index, const CGammaList& list, const std::string& curveName) {
    const CGammaPoint* p = list.GetAt(index);
    if (p == nullptr || index >= GammaCurveExchange::kSlots) return;
    const std::string query = GammaCurveExchange::QueryCommand(curve, index);
    const std::string key = CTessikCommunicator::ReplyKeyOfQuery(query);
    const std::string point = GammaCurveExchange::PointCommand(curve, index, *p);
    AddItem({curveName + ", point " + std::to_string(index + 1), query, key, point.substr(key.size() + 1),
             {point, GammaCurveExchange::EndCommand(curve, list.GetCount())}, true, false, {}});
}

std::size_t ReadBack::QueueQueries() {
    std::size_t queued = 0;
    for (Entry& e : items_) {
        e.asked = e.Open();
        if (!e.asked) continue;
        e.got.clear();
        e.state = State::NoReply;
        link_.UpdateUnitWithString(e.item.query);
        ++queued;
    }
    return queued;
}

void ReadBack::Settle() {
    for (Entry& e : items_) e.asked = false;
}

std::vector<std::string> ReadBack::HeardWithOneLost(const std::string& sent) {
    std::vector<std::string> heard;
    heard.reserve(sent.size());
    for (std::size_t lost = 0; lost < sent.size(); ++lost) heard.push_back(sent.substr(0, lost) + sent.substr(lost + 1));
    return heard;
}

std::size_t ReadBack::QueueResends() {
    std::size_t again = 0;
    std::vector<std::size_t> touched;
    for (Entry& e : items_) {
        if (!e.Open() || e.item.resend.empty()) continue;
        for (const std::string& command : e.item.resend) {
            link_.UpdateUnitWithString(command);
            for (const std::string& variant : HeardWithOneLost(command)) {
                for (const std::size_t length : setStartLengths_) {
                    const auto it = bySetStart_.find(variant.substr(0, length));
                    if (it != bySetStart_.end()) touched.push_back(it->second);
                }
            }
        }
        ++again;
    }
    for (const std::size_t i : touched)
        if (items_[i].state == State::Confirmed) items_[i].state = State::Unchecked;
    return again;
}

std::size_t ReadBack::Outstanding() const {
    return static_cast<std::size_t>(std::count_if(items_.begin(), items_.end(), [](const Entry& e) { return e.Open(); }));
}

std::size_t ReadBack::Awaited() const {
    return static_cast<std::size_t>(std::count_if(
        items_.begin(), items_.end(), [](const Entry& e) { return e.asked && e.state == State::NoReply; }));
}

void ReadBack::Withdraw(std::size_t i) {
    if (i < items_.size()) items_[i].state = State::Withdrawn;
}

bool ReadBack::SameAnswer(const Item& item, const std::string& got) {
    if (item.anyReply) return !got.empty();
    const std::string& expected = item.expected;
    long long a = 0, b = 0;
    if (asNumber(expected, a) && asNumber(got, b)) return a == b;
    return expected.size() == got.size() &&
           std::equal(expected.begin(), expected.end(), got.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The longest key that begins the line names the value; the last reply of a
// round counts (a repeated query answers again).
void ReadBack::OnControlRequestCompleted(const std::string& reply) {
    std::string line = reply;
    while (!line.empty() && (line.back() == '\r' || line.back() == ';')) line.pop_back();
    for (const std::size_t length : keyLengths_) {
        if (line.size() < length) continue;
        const auto it = byKey_.find(line.substr(0, length));
        if (it == byKey_.end()) continue;
        Entry& e = items_[it->second];
        if (!e.asked || e.state == State::Withdrawn) return;
        e.got = line.substr(length);
        e.state = SameAnswer(e.item, e.got) ? State::Confirmed : State::Differs;
        return;
    }
}

std::string ReadBack::AsShown(const Item& item, const std::string& text) {
    if (item.shown) return item.shown(text);
    if (!item.curvePoint) return text;
    if (text == "AAAAAA") return "no point (past the end)";
    unsigned x = 0, y = 0;
    if (text.size() != 6 || std::from_chars(text.data(), text.data() + 3, x, 16).ptr != text.data() + 3 ||
        std::from_chars(text.data() + 3, text.data() + 6, y, 16).ptr != text.data() + 6)
        return text;
    return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

std::string ReadBack::Lines(const std::function<std::string(const Entry&)>& line) const {
    std::string text;
    std::size_t open = 0;
    for (const Entry& e : items_)
        if (e.Open() && open++ < kNamesShown) text += "\n" + e.item.name + ": " + line(e);
    if (open > kNamesShown) text += "\n... and " + std::to_string(open - kNamesShown) + " more.";
    return text;
}

std::string ReadBack::Report() const {
    std::size_t differ = 0, silent = 0;
    for (const Entry& e : items_)
        if (e.Open()) (e.state == State::Differs ? differ : silent) += 1;
    if (differ + silent == 0) return {};
    return std::to_string(differ + silent) + " value(s) in the unit may differ from what was sent (" +
           std::to_string(differ) + " read back different, " + std::to_string(silent) + " not confirmed):" +
           Lines([](const Entry& e) {
               return "sent " + AsShown(e.item, e.item.expected) +
                      (e.state == State::Differs ? ", the unit holds " + AsShown(e.item, e.got) : ", not confirmed");
           });
}

std::string ReadBack::Unanswered() const {
    return Lines([](const Entry&) { return std::string("no reply"); });
}

}  // namespace pellivar
