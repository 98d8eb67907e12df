#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's stored settings, as the framework's registry profile offers
// them: integers and strings by section and key under the company key and
// program name, and the recent-file list.
class Profile {
public:
    virtual ~Profile() = default;

    virtual int getInt(const std::string& section, const std::string& key, int defaultValue) const = 0;
    virtual void setInt(const std::string& section, const std::string& key, int value) = 0;
    virtual std::string getString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue = {}) const = 0;
    virtual void setString(const std::string& section, const std::string& key, const std::string& value) = 0;
    virtual bool contains(const std::string& section, const std::string& key) const = 0;

    // Most recent first, at most `capacity` entries (the programs keep four).
    std::vector<std::string> recentFiles(int capacity = 4) const;
    void addRecentFile(const std::string& path, int capacity = 4);
    // Drops `path` from the list (a file that no longer opens); the others
    // keep their order.
    void removeRecentFile(const std::string& path, int capacity = 4);
};

}  // namespace platform
