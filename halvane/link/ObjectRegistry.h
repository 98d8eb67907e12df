#pragma once

#include <algorithm>
#include <mutex>
#include <vector>

namespace halvane::link::ConTypes {

// Self-registration: every T built on this base is in one process-wide
// ordered list of T (one list per T) from its construction to its
// destruction. Registration order is list order.
template <class T>
class ObjectRegistry {
public:
    // The registered objects, in registration order.
    static std::vector<T*> Objects() {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        std::vector<T*> out;
        out.reserve(r.entries.size());
        // Each entry is a complete T by now: entries are only read once
        // their constructors have finished.
        for (ObjectRegistry* e : r.entries) out.push_back(static_cast<T*>(e));
        return out;
    }

protected:
    ObjectRegistry() { add(); }
    ObjectRegistry(const ObjectRegistry&) { add(); }
    ObjectRegistry& operator=(const ObjectRegistry&) { return *this; }
    ~ObjectRegistry() {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        r.entries.erase(std::remove(r.entries.begin(), r.entries.end(), this), r.entries.end());
    }

private:
    struct Registry {
        std::mutex mutex;
        std::vector<ObjectRegistry*> entries;
    };
    // Built on first use, so objects with static storage may register from
    // any translation unit; it outlives every object that registered.
    static Registry& registry() {
        static Registry r;
        return r;
    }
    void add() {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        r.entries.push_back(this);
    }
};

}  // namespace halvane::link::ConTypes
