#include "sim/Dialect.h"

namespace sim {

void LineDialect::onBytes(std::string_view bytes, Responder& out) {
    for (const char c : bytes) {
        if (terminators_.find(c) != std::string::npos) {
            if (!pending_.empty()) {
                std::string command;
                command.swap(pending_);
                out.logCommand(command);
                onCommand(command, out);
            }
            continue;
        }
        // A command line never holds NULs: retries pad with them.
        if (c == '\0') continue;
        if (pending_.size() < 4096) pending_.push_back(c);
    }
}

}  // namespace sim
