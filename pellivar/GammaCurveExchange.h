#pragma once

#include "pellivar/CGammaList.h"
#include "pellivar/SHItem.h"
#include "pellivar/UnitLink.h"

#include <array>
#include <functional>
#include <memory>
#include <string>

namespace platform {
class UserPrompt;
}

namespace pellivar {

// The exchange of the four custom gamma curves with the processor, for the
// gamma page: sending a curve or one point, requesting a curve, and
// rebuilding a curve in place from the replies.
//
// Wire forms (hex in lower case, the curve as one digit, an index as two):
//   point i of curve c   "fIs" c ii xxx yyy   (curve 2, (128,128) at 2: "fIs202080080")
//   end of curve c       "fIs" c nn "AAAAAA"  (nn = the point count)
//   query slot i         "fI?" c ii           (i = 0-29)
//   reply                "fI" c ii xxx yyy, or "fI" c ii "AAAAAA" past the count
// Each send or request starts with an empty line, so the processor begins
// it on a fresh command.
class GammaCurveExchange final : public ReplyWindow {
public:
    static constexpr int kCurves = 4;
    static constexpr int kSlots = 30;
    static constexpr const char* kReplyKey = "fI";
    static constexpr const char* kErrorCaption = "Error";
    static constexpr const char* kWrongLengthText =
        "Warning gamma curve responce from unit with wrong length - Attempting to recover";
    static constexpr const char* kCannotParseText = "Can't parse gamma curve responce from unit. Ignoring";
    // printf form: the curve index.
    static constexpr const char* kResetText =
        "Can't parse gamma curve responce from unit for curve %d. Using standard linear curve.";

    // What one reply line did (for the view and for tests).
    enum class Reply {
        Echo,         // a query echoed back: ignored
        Unparsable,   // no curve or point index could be read: ignored
        Ignored,      // beyond the count, or the curve was reset since its request
        Updated,      // a point overwritten or appended
        Cut,          // the end marker (or a bad point) cut the curve
        Reset,        // too few points were left: the default curve
    };

    using Changed = std::function<void(int curve)>;

    // `curves` are the document's; `prompt` null means the program's prompt.
    GammaCurveExchange(std::array<CGammaList, kCurves>& curves, UnitLink* link, platform::UserPrompt* prompt = nullptr);
    ~GammaCurveExchange() override;
    GammaCurveExchange(const GammaCurveExchange&) = delete;
    GammaCurveExchange& operator=(const GammaCurveExchange&) = delete;

    // Replies of every curve ("fI..."); again drops the previous subscription.
    void Subscribe();
    void Unsubscribe();
    // Told after a reply changed a curve (the view redraws).
    void SetChangedHandler(Changed handler) { changed_ = std::move(handler); }

    static std::string PointCommand(int curve, int index, const CGammaPoint& point);
    static std::string EndCommand(int curve, int count);
    static std::string QueryCommand(int curve, int index);

    // The point's command, or the curve's end marker when `point` is null.
    // False (nothing sent) for a bad curve or index or without a link.
    bool SendPoint(int curve, const CGammaPoint* point, int index);
    // The empty line, every point, the end marker. A curve that may not
    // reach the processor (fewer than 5 or more than 30 points, or a point
    // off the grid) is not sent: false.
    bool SendCurve(int curve);
    // The empty line and the 30 slot queries; the curve takes replies again
    // from here on.
    bool RequestCurve(int curve);
    // Selection 0: curves 0-3; 1: curve 0; 2: curves 1-3. Any other
    // selection does nothing and gives 0; 1 when every curve was sent.
    int SendCurves(int selection);
    int RequestCurves(int selection);

    // A curve whose edit is being read back takes no replies meanwhile:
    // the read-back judges them, and a curve that arrived in part may be
    // no curve the program can draw. RequestCurve takes them again.
    void HoldReplies(int curve);
    void TakeReplies(int curve);

    Reply OnGammaReply(const std::string& line);
    void OnControlRequestCompleted(const std::string& reply) override { OnGammaReply(reply); }

private:
    void Error(const std::string& text);
    void Notify(int curve);
    template <class F>
    int ForSelection(int selection, F&& fn);

    std::array<CGammaList, kCurves>& curves_;
    UnitLink* link_;
    platform::UserPrompt* prompt_;
    Changed changed_;
    std::shared_ptr<SHItem> item_;
    // A curve reset to the default while its replies were still arriving
    // takes no more of them until it is requested again; the later end
    // markers would otherwise cut the fresh default curve. Held replies
    // are ignored the same way.
    std::array<bool, kCurves> ignoring_{};
};

}  // namespace pellivar
