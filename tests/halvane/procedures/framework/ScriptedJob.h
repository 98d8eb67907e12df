#pragma once

#include "halvane/procedures/framework/CProcBase.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

// A job whose body the test gives; it records what its completion handler
// was told.
class ScriptedJob final : public halvane::procedures::CProcBase {
public:
    using Body = std::function<int(ScriptedJob&, halvane::procedures::IProcDialog*)>;

    explicit ScriptedJob(Body body, std::string title = "Processing") : body_(std::move(body)) {
        title_ = std::move(title);
    }

    int Run(void* argument) override {
        lastArgument = argument;
        return body_(*this, Host());
    }

    void OnProcedureComplete(int result, const halvane::diagnostics::TException* lastError,
                             platform::WindowHandle parent) override {
        completions += 1;
        completedResult = result;
        completedError = lastError != nullptr ? std::optional<std::string>(lastError->message()) : std::nullopt;
        completedParent = parent;
    }

    void* lastArgument = nullptr;
    int completions = 0;
    int completedResult = -100;
    std::optional<std::string> completedError;
    platform::WindowHandle completedParent;

private:
    Body body_;
};
