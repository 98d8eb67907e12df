#pragma once

#include "platform/Profile.h"

#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace platform {

// A profile held in memory: the tests' profile, and the fallback when no
// stored one can be had.
class MemoryProfile final : public Profile {
public:
    int getInt(const std::string& section, const std::string& key, int defaultValue) const override;
    void setInt(const std::string& section, const std::string& key, int value) override;
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue = {}) const override;
    void setString(const std::string& section, const std::string& key, const std::string& value) override;
    bool contains(const std::string& section, const std::string& key) const override;

private:
    mutable std::mutex mutex_;
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace platform
