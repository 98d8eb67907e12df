#include "platform/WindowMessageNames.h"

#include <map>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace platform {

namespace {
struct Names {
    std::mutex mutex;
    std::map<std::string, std::uint32_t, std::less<>> ids;
    std::vector<std::string> byIndex;
};
Names& names() {
    static Names n;
    return n;
}
constexpr std::uint32_t kLastRegisteredMessage = 0xFFFF;
}  // namespace

std::uint32_t RegisterWindowMessage(std::string_view name) {
    if (name.empty()) throw std::invalid_argument("RegisterWindowMessage: empty name");
    Names& n = names();
    std::lock_guard lock(n.mutex);
    if (const auto it = n.ids.find(name); it != n.ids.end()) return it->second;
    const auto id = static_cast<std::uint32_t>(kFirstRegisteredMessage + n.byIndex.size());
    if (id > kLastRegisteredMessage) throw std::length_error("RegisterWindowMessage: id range exhausted");
    n.ids.emplace(std::string(name), id);
    n.byIndex.emplace_back(name);
    return id;
}

std::string RegisteredMessageName(std::uint32_t id) {
    Names& n = names();
    std::lock_guard lock(n.mutex);
    if (id < kFirstRegisteredMessage || id - kFirstRegisteredMessage >= n.byIndex.size()) return {};
    return n.byIndex[id - kFirstRegisteredMessage];
}

}  // namespace platform
