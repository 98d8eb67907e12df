#include "platform/qt/QtProfile.h"

#include <QSettings>

namespace platform::qt {

namespace {
QString keyOf(const std::string& section, const std::string& key) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(key);
}
QString withoutTrailingBackslash(QString s) {
    while (s.endsWith(QLatin1Char('\\'))) s.chop(1);
    return s;
}
}  // namespace

QtProfile::QtProfile(const QString& companyKey, const QString& programName)
    : settings_(std::make_unique<QSettings>(withoutTrailingBackslash(companyKey), programName)) {}

QtProfile::QtProfile(const QString& path) : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

QtProfile::~QtProfile() = default;

int QtProfile::getInt(const std::string& section, const std::string& key, int defaultValue) const {
    std::lock_guard lock(mutex_);
    const QVariant v = settings_->value(keyOf(section, key));
    if (!v.isValid()) return defaultValue;
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : defaultValue;
}

void QtProfile::setInt(const std::string& section, const std::string& key, int value) {
    std::lock_guard lock(mutex_);
    settings_->setValue(keyOf(section, key), value);
}

std::string QtProfile::getString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    std::lock_guard lock(mutex_);
    const QVariant v = settings_->value(keyOf(section, key));
    return v.isValid() ? v.toString().toStdString() : defaultValue;
}

void QtProfile::setString(const std::string& section, const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex_);
    settings_->setValue(keyOf(section, key), QString::fromStdString(value));
}

bool QtProfile::contains(const std::string& section, const std::string& key) const {
    std::lock_guard lock(mutex_);
    return settings_->contains(keyOf(section, key));
}

void QtProfile::sync() {
    std::lock_guard lock(mutex_);
    settings_->sync();
}

}  // namespace platform::qt
