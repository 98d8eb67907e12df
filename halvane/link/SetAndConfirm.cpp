#include "halvane/link/SetAndConfirm.h"

#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/LinkTiming.h"
#include "halvane/link/UploadRetries.h"
#include "halvane/link/WireText.h"

namespace halvane::link::Comm {

namespace {

bool IsHexFormat(const std::string& format) {
    return !format.empty() && (format.back() == 'X' || format.back() == 'x');
}

// One query, read as an int ("%d") or as 32 bits ("%08X"). The reply
// must begin with the word asked for: a query that lost a byte on the way
// ("C0124?" for "C01234?") is answered for another word, whose value must
// not confirm this one.
bool Query(CBasicTessikPort& port, const std::string& prefix, const std::string& format, std::int64_t& value,
           ReplyForm form) {
    const std::string query = prefix + "?\n";
    const auto read = [&](auto& out) {
        std::string reply;
        if (!port.SendAndReceive(query, "\n", &reply)) return false;
        if (reply.compare(0, prefix.size(), prefix) != 0) return false;
        const ScanResult r = ScanValue(std::string_view(reply).substr(prefix.size()), format, out);
        return form == ReplyForm::Loose ? r.count() != 0 : r.exact();
    };
    if (IsHexFormat(format)) {
        unsigned bits = 0;
        if (!read(bits)) return false;
        value = bits;
        return true;
    }
    int number = 0;
    if (!read(number)) return false;
    value = number;
    return true;
}

}  // namespace

bool SetAndConfirm(CBasicTessikPort& port, const std::string& prefix, const std::string& format, std::int64_t value,
                   ReplyForm form, UploadRetries* retries) {
    const std::string set = prefix + FormatInt(format, value) + "\n";
    port.SendAndReceive(set, "\n");
    bool answered = false;
    const auto confirmed = [&] {
        std::int64_t read = 0;
        answered = Query(port, prefix, format, read, form);
        return answered && read == value;
    };
    const auto setAgain = [&] {
        if (!answered) {
            port.Pause(LinkTiming::kAfterFailedConfirmQueryMs);
            port.Drain();
            // A silent processor or an aborted job: the value is not confirmed.
            if (port.Stopping()) return;
        }
        port.Pause(LinkTiming::kBeforeResendMs);
        port.SendAndReceive(set, "\n");
    };
    return VerifiedWrite(port, retries, confirmed, setAgain);
}

bool ReadConfirmValue(CBasicTessikPort& port, const std::string& prefix, const std::string& format,
                      std::int64_t& value, ReplyForm form) {
    bool read = Query(port, prefix, format, value, form);
    if (!read && !port.Stopping()) {
        port.Pause(LinkTiming::kBeforeSecondReadMs);
        port.Drain();
        read = Query(port, prefix, format, value, form);
    }
    port.Pause(LinkTiming::kAfterReadMs);
    port.Drain();
    return read;
}

}  // namespace halvane::link::Comm
