#include "platform/MemoryProfile.h"
#include "platform/Profile.h"

#include <algorithm>
#include <charconv>

namespace platform {

namespace {
const char* const kRecentSection = "Recent File List";
std::string recentKey(int i) { return "File" + std::to_string(i + 1); }

void storeRecent(Profile& profile, const std::vector<std::string>& files, int capacity) {
    for (int i = 0; i < capacity; ++i)
        profile.setString(kRecentSection, recentKey(i),
                          i < static_cast<int>(files.size()) ? files[static_cast<std::size_t>(i)] : "");
}
}  // namespace

std::vector<std::string> Profile::recentFiles(int capacity) const {
    std::vector<std::string> files;
    for (int i = 0; i < capacity; ++i) {
        std::string f = getString(kRecentSection, recentKey(i));
        if (!f.empty()) files.push_back(std::move(f));
    }
    return files;
}

void Profile::addRecentFile(const std::string& path, int capacity) {
    if (path.empty() || capacity <= 0) return;
    std::vector<std::string> files = recentFiles(capacity);
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
    files.insert(files.begin(), path);
    if (static_cast<int>(files.size()) > capacity) files.resize(static_cast<std::size_t>(capacity));
    storeRecent(*this, files, capacity);
}

void Profile::removeRecentFile(const std::string& path, int capacity) {
    if (path.empty() || capacity <= 0) return;
    std::vector<std::string> files = recentFiles(capacity);
    const auto kept = std::remove(files.begin(), files.end(), path);
    if (kept == files.end()) return;
    files.erase(kept, files.end());
    storeRecent(*this, files, capacity);
}

int MemoryProfile::getInt(const std::string& section, const std::string& key, int defaultValue) const {
    std::lock_guard lock(mutex_);
    const auto it = values_.find({section, key});
    if (it == values_.end()) return defaultValue;
    int v = defaultValue;
    const auto& s = it->second;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() ? v : defaultValue;
}

void MemoryProfile::setInt(const std::string& section, const std::string& key, int value) {
    setString(section, key, std::to_string(value));
}

std::string MemoryProfile::getString(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) const {
    std::lock_guard lock(mutex_);
    const auto it = values_.find({section, key});
    return it == values_.end() ? defaultValue : it->second;
}

void MemoryProfile::setString(const std::string& section, const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex_);
    values_[{section, key}] = value;
}

bool MemoryProfile::contains(const std::string& section, const std::string& key) const {
    std::lock_guard lock(mutex_);
    return values_.count({section, key}) != 0;
}

}  // namespace platform
