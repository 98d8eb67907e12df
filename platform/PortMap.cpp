#include "platform/PortMap.h"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <utility>

namespace platform {

namespace {

// Devices named prefix + digits in dir, in numeric order.
std::vector<std::string> numbered(const std::string& dir, const std::string& prefix) {
    std::vector<std::pair<long, std::string>> found;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
            const std::string digits = name.substr(prefix.size());
            if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            if (digits.size() > 9) continue;
            const std::string path = dir + "/" + name;
            struct stat st{};
            if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
            found.emplace_back(std::stol(digits), path);
        }
        ::closedir(d);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& f : found) paths.push_back(std::move(f.second));
    return paths;
}

}  // namespace

PortMap::PortMap(const Profile* profile, std::string devDir, Environment environment)
    : profile_(profile), devDir_(std::move(devDir)), environment_(std::move(environment)) {}

PortMap::Environment PortMap::processEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* v = std::getenv(name.c_str());
        if (v == nullptr) return std::nullopt;
        return std::string(v);
    };
}

std::string PortMap::portName(int comNumber) { return "COM" + std::to_string(comNumber); }

std::string PortMap::settingName(int comNumber) { return "Ports/" + portName(comNumber); }

std::vector<std::string> PortMap::devices() const {
    std::vector<std::string> all;
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        auto part = numbered(devDir_, prefix);
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

PortMap::Resolution PortMap::resolve(int comNumber) const {
    const std::string name = portName(comNumber);
    if (comNumber < 1) return {{}, "no such port: " + name, {}};

    if (environment_) {
        if (auto v = environment_(name); v && !v->empty()) return {*v, {}, "the variable " + name};
    }
    if (profile_ != nullptr) {
        const std::string v = profile_->getString("Ports", name);
        if (!v.empty()) return {v, {}, "the stored setting " + settingName(comNumber)};
    }
    const auto present = devices();
    if (static_cast<std::size_t>(comNumber) <= present.size())
        return {present[static_cast<std::size_t>(comNumber) - 1], {}, "serial device " + std::to_string(comNumber) +
                                                                         " of " + std::to_string(present.size())};
    return {{}, "no such port: " + name + " (" + std::to_string(present.size()) +
                    " serial devices present; set " + name + "=/dev/... to choose one)",
            {}};
}

}  // namespace platform
