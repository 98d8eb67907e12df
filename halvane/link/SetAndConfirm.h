#pragma once

#include <cstdint>
#include <string>

namespace halvane::link::Comm {

class CBasicTessikPort;
class UploadRetries;

// How a receiver's reply to a setting's query is read.
enum class ReplyForm {
    Strict,  // the value and nothing after it
    Loose,   // the value, whatever follows (the receivers' gain replies)
};

// The receivers' set-and-confirm exchange: sends "<prefix><value>\n" (value
// in "%d" or "%08X"), then up to five rounds of a query "<prefix>?\n" (the
// prefix skipped in the reply) and, unless it gave the value, 20 ms and the
// set once more. A failed query waits 100 ms and drains. True when a query
// gave the value sent. A coefficient or gain of an upload goes through that
// upload's `retries`, so that its rounds after the first draw on the upload's
// budget.
bool SetAndConfirm(CBasicTessikPort& port, const std::string& prefix, const std::string& format, std::int64_t value,
                   ReplyForm form = ReplyForm::Strict, UploadRetries* retries = nullptr);

// One query of "<prefix>?\n"; when it fails, 500 ms, a drain and one more
// query; then 100 ms and a drain. True when a value was read.
bool ReadConfirmValue(CBasicTessikPort& port, const std::string& prefix, const std::string& format,
                      std::int64_t& value, ReplyForm form = ReplyForm::Strict);

}  // namespace halvane::link::Comm
