#include "halvane/document/TargetJobs.h"

#include <atomic>

namespace halvane::document {

namespace {
std::atomic<TargetJobs*> g_jobs{nullptr};
}

void SetTargetJobs(TargetJobs* jobs) { g_jobs.store(jobs); }
TargetJobs* CurrentTargetJobs() { return g_jobs.load(); }

}  // namespace halvane::document
