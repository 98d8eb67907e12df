#include "platform/StringTable.h"

#include <mutex>

namespace platform {

void StringTable::setBuiltIn(int id, std::string text) {
    std::unique_lock lock(mutex_);
    builtIn_[id] = std::move(text);
}

void StringTable::loadLanguage(std::map<int, std::string> entries) {
    std::unique_lock lock(mutex_);
    language_ = std::move(entries);
}

void StringTable::unloadLanguage() {
    std::unique_lock lock(mutex_);
    language_.clear();
}

std::optional<std::string> StringTable::find(int id) const {
    std::shared_lock lock(mutex_);
    if (const auto it = language_.find(id); it != language_.end()) return it->second;
    if (const auto it = builtIn_.find(id); it != builtIn_.end()) return it->second;
    return std::nullopt;
}

std::string StringTable::text(int id) const { return find(id).value_or(std::string()); }

StringTable& processStrings() {
    static StringTable table;
    return table;
}

}  // namespace platform
