#include "pellivar/GammaCurveExchange.h"

#include "platform/UserPrompt.h"

#include <cstdio>

namespace pellivar {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::string hex2(int v) { return {kHexDigits[(v >> 4) & 0xF], kHexDigits[v & 0xF]}; }

// The hex number in up to `width` characters at `at`, read as far as the
// line goes: blanks read as '0', reading stops at the first other non-hex
// character. -1 when not one digit could be read.
int readHex(const std::string& line, std::size_t at, std::size_t width) {
    int value = 0;
    int digits = 0;
    for (std::size_t i = at; i < line.size() && i < at + width; ++i) {
        const char c = line[i] == ' ' ? '0' : line[i];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) break;
        value = value * 16 + d;
        ++digits;
    }
    return digits > 0 ? value : -1;
}

bool validCurve(int curve) { return curve >= 0 && curve < GammaCurveExchange::kCurves; }

}  // namespace

GammaCurveExchange::GammaCurveExchange(std::array<CGammaList, kCurves>& curves, UnitLink* link,
                                       platform::UserPrompt* prompt)
    : curves_(curves), link_(link), prompt_(prompt) {}

GammaCurveExchange::~GammaCurveExchange() { Unsubscribe(); }

void GammaCurveExchange::Subscribe() {
    Unsubscribe();
    if (link_ == nullptr) return;
    auto item = std::make_shared<SHItem>(kReplyKey, this);
    if (link_->Subscribe(item)) item_ = std::move(item);
}

// Replies already queued for the item reach nothing once it is detached.
void GammaCurveExchange::Unsubscribe() {
    if (!item_) return;
    item_->Detach();
    if (link_ != nullptr) link_->Unsubscribe(item_.get());
    item_.reset();
}

std::string GammaCurveExchange::PointCommand(int curve, int index, const CGammaPoint& point) {
    return "fIs" + std::string(1, kHexDigits[curve & 0xF]) + hex2(index) + point.ToHex();
}

std::string GammaCurveExchange::EndCommand(int curve, int count) {
    return "fIs" + std::string(1, kHexDigits[curve & 0xF]) + hex2(count) + "AAAAAA";
}

std::string GammaCurveExchange::QueryCommand(int curve, int index) {
    return "fI?" + std::string(1, kHexDigits[curve & 0xF]) + hex2(index);
}

bool GammaCurveExchange::SendPoint(int curve, const CGammaPoint* point, int index) {
    if (link_ == nullptr || !validCurve(curve)) return false;
    if (point == nullptr) {
        link_->UpdateUnitWithString(EndCommand(curve, curves_[static_cast<std::size_t>(curve)].GetCount()));
        return true;
    }
    if (index < 0 || index >= kSlots || !point->InRange()) return false;
    link_->UpdateUnitWithString(PointCommand(curve, index, *point));
    return true;
}

bool GammaCurveExchange::SendCurve(int curve) {
    if (link_ == nullptr || !validCurve(curve)) return false;
    const CGammaList& list = curves_[static_cast<std::size_t>(curve)];
    if (!list.IsValid()) return false;
    link_->UpdateUnitWithString("\n");
    for (int i = 0; i < list.GetCount(); ++i) link_->UpdateUnitWithString(PointCommand(curve, i, *list.GetAt(i)));
    link_->UpdateUnitWithString(EndCommand(curve, list.GetCount()));
    return true;
}

bool GammaCurveExchange::RequestCurve(int curve) {
    if (link_ == nullptr || !validCurve(curve)) return false;
    ignoring_[static_cast<std::size_t>(curve)] = false;
    link_->UpdateUnitWithString("\n");
    for (int i = 0; i < kSlots; ++i) link_->UpdateUnitWithString(QueryCommand(curve, i));
    return true;
}

void GammaCurveExchange::HoldReplies(int curve) {
    if (validCurve(curve)) ignoring_[static_cast<std::size_t>(curve)] = true;
}

void GammaCurveExchange::TakeReplies(int curve) {
    if (validCurve(curve)) ignoring_[static_cast<std::size_t>(curve)] = false;
}

template <class F>
int GammaCurveExchange::ForSelection(int selection, F&& fn) {
    int first = 0, last = 0;
    switch (selection) {
    case 0: first = 0, last = 3; break;
    case 1: first = 0, last = 0; break;
    case 2: first = 1, last = 3; break;
    default: return 0;
    }
    bool all = true;
    for (int c = first; c <= last; ++c) all = fn(c) && all;
    return all ? 1 : 0;
}

int GammaCurveExchange::SendCurves(int selection) {
    return ForSelection(selection, [this](int c) { return SendCurve(c); });
}

int GammaCurveExchange::RequestCurves(int selection) {
    return ForSelection(selection, [this](int c) { return RequestCurve(c); });
}

void GammaCurveExchange::Error(const std::string& text) {
    platform::UserPrompt& prompt = prompt_ != nullptr ? *prompt_ : platform::CurrentUserPrompt();
    prompt.MessageBox(text, kErrorCaption, platform::MB_OK | platform::MB_ICONERROR);
}

void GammaCurveExchange::Notify(int curve) {
    if (changed_) changed_(curve);
}

// A reply "fI" c ii xxx yyy overwrites point ii, or appends it when ii is
// the count; a coordinate off the grid (the end marker's "AAA" reads as
// 2730) cuts the curve there. A curve left with fewer than 5 points, or
// with its x out of order, is useless to draw or send: it becomes the
// default curve.
GammaCurveExchange::Reply GammaCurveExchange::OnGammaReply(const std::string& line) {
    if (line.find("fI?") != std::string::npos) return Reply::Echo;
    if (line.size() != 11) Error(kWrongLengthText);
    const int curve = line.size() >= 3 ? line[2] - '0' : -1;
    const int index = readHex(line, 3, 2);
    const int x = readHex(line, 5, 3);
    const int y = readHex(line, 8, 3);
    if (!validCurve(curve) || index < 0 || x < 0 || y < 0) {
        Error(kCannotParseText);
        return Reply::Unparsable;
    }
    if (ignoring_[static_cast<std::size_t>(curve)]) return Reply::Ignored;
    CGammaList& list = curves_[static_cast<std::size_t>(curve)];
    if (index > list.GetCount() || index >= kSlots) return Reply::Ignored;
    CGammaPoint* point = index < list.GetCount() ? list.GetAt(index) : list.AddTail(0, 0);
    const CGammaPoint received{x, y};
    if (received.InRange()) {
        *point = received;
        Notify(curve);
        return Reply::Updated;
    }
    list.TruncateAt(point);
    // The end marker closes the curve: it must now be one the program can
    // draw and send (enough points, x rising), or it is replaced.
    if (list.IsValid()) {
        Notify(curve);
        return Reply::Cut;
    }
    list.Reset();
    ignoring_[static_cast<std::size_t>(curve)] = true;
    char text[160];
    std::snprintf(text, sizeof text, kResetText, curve);
    Error(text);
    Notify(curve);
    return Reply::Reset;
}

}  // namespace pellivar
