#include "tests/support/TestProcHost.h"

namespace testsupport {

void TestProcHost::AbortOnText(std::string text) {
    std::lock_guard lock(mutex_);
    abortOnText_ = std::move(text);
}

std::vector<TestProcHost::Report> TestProcHost::Reports() const {
    std::lock_guard lock(mutex_);
    return reports_;
}

std::vector<std::string> TestProcHost::DisplayStrings() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const Report& r : reports_)
        if (r.kind == Kind::Text) texts.push_back(r.text);
    return texts;
}

std::vector<int> TestProcHost::Results() const {
    std::lock_guard lock(mutex_);
    std::vector<int> results;
    for (const Report& r : reports_)
        if (r.kind == Kind::Done) results.push_back(r.value);
    return results;
}

void TestProcHost::ClearReports() {
    std::lock_guard lock(mutex_);
    reports_.clear();
}

int TestProcHost::GetResult() {
    std::lock_guard lock(mutex_);
    return result_;
}

void TestProcHost::SetDisplayString(std::string text) {
    bool abort = false;
    {
        std::lock_guard lock(mutex_);
        abort = !abortOnText_.empty() && text.find(abortOnText_) != std::string::npos;
    }
    record(Report{Kind::Text, 0, std::move(text)});
    if (abort) Abort();
}

void TestProcHost::SetRange(int total) {
    total_ = total;
    position_ = 0;
    record(Report{Kind::Range, total, {}});
}

void TestProcHost::SetPos(int position) {
    position_ = position;
    record(Report{Kind::Pos, position, {}});
}

void TestProcHost::DeliverDone(int result) {
    {
        std::lock_guard lock(mutex_);
        result_ = result;
    }
    record(Report{Kind::Done, result, {}});
}

void TestProcHost::record(Report report) {
    {
        std::lock_guard lock(mutex_);
        reports_.push_back(report);
    }
    if (OnReport) OnReport(*this, report);
}

}  // namespace testsupport
