#pragma once

#include "platform/Profile.h"

#include <QString>

#include <memory>
#include <mutex>

class QSettings;

namespace platform::qt {

// The program's stored settings in QSettings, under the company key and the
// program name (a trailing backslash of the company key, as the registry
// form has it, is dropped). Sections are groups, keys their entries.
// Guarded by a lock: workers read settings too.
class QtProfile final : public Profile {
public:
    QtProfile(const QString& companyKey, const QString& programName);
    // An INI file at `path` (tests, portable installs).
    explicit QtProfile(const QString& path);
    ~QtProfile() override;

    int getInt(const std::string& section, const std::string& key, int defaultValue) const override;
    void setInt(const std::string& section, const std::string& key, int value) override;
    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue = {}) const override;
    void setString(const std::string& section, const std::string& key, const std::string& value) override;
    bool contains(const std::string& section, const std::string& key) const override;

    // Writes pending changes to storage.
    void sync();

private:
    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> settings_;
};

}  // namespace platform::qt
