#pragma once

#include "pellivar/CommandSpec.h"
#include "pellivar/Notifiable.h"

namespace pellivar {

// A value bound to a processor command: a reply is parsed into it, validated
// and then every observer is told, even when nothing changed.
template <class T>
class Subscribed : public Notifiable {
public:
    Subscribed(T value, CommandSpec command) : value_(value), command_(std::move(command)) {}

    void OnReply(const std::string& line) override {
        command_.Parse(line, value_);
        Validate();
        NotifyObservers();
    }
    virtual T Validate() { return value_; }

    T Value() const { return value_; }
    // A direct set (document loaders, standard formats): no validation, no
    // observers, nothing sent.
    void SetValue(T v) { value_ = v; }
    T* ValuePtr() { return &value_; }

    const CommandSpec& Command() const { return command_; }

protected:
    T value_;
    CommandSpec command_;
};

}  // namespace pellivar
