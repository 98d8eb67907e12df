#include "halvane/link/SetAndConfirm.h"

#include "halvane/link/CBasicTessikPort.h"
#include "halvane/link/WireText.h"

namespace Comm {

namespace {

constexpr int kRounds = 5;

bool IsHexFormat(const std::string& format) {
    return !format.empty() && (format.back() == 'X' || format.back() == 'x');
}

// One query, read as an int ("%d") or as 32 bits ("%08X").
bool Query(CBasicTessikPort& port, const std::string& prefix, const std::string& format, std::int64_t& value,
           ReplyForm form) {
    const std::string query = prefix + "?\n";
    const auto read = [&](auto& out) {
        return form == ReplyForm::Loose ? port.QueryValueLoose(out, query, format, "\n", prefix.size()) != 0
                                        : port.QueryValue(out, query, format, "\n", prefix.size());
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
                   ReplyForm form) {
    const std::string set = prefix + FormatInt(format, value) + "\n";
    port.SendAndReceive(set, "\n");
    for (int round = 0; round < kRounds; ++round) {
        std::int64_t read = 0;
        if (Query(port, prefix, format, read, form)) {
            if (read == value) return true;
        } else {
            port.GetClock().sleepMs(100);
            port.Drain();
        }
        port.GetClock().sleepMs(20);
        port.SendAndReceive(set, "\n");
    }
    return false;
}

bool ReadConfirmValue(CBasicTessikPort& port, const std::string& prefix, const std::string& format,
                      std::int64_t& value, ReplyForm form) {
    bool read = Query(port, prefix, format, value, form);
    if (!read) {
        port.GetClock().sleepMs(500);
        port.Drain();
        read = Query(port, prefix, format, value, form);
    }
    port.GetClock().sleepMs(100);
    port.Drain();
    return read;
}

}  // namespace Comm
