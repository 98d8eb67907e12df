#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Registered window messages: one id per name, the same id however often and
// from wherever the name is registered, handed out from 0xC000 upwards.
// Thread-safe; safe to call from static initialisers.
std::uint32_t RegisterWindowMessage(std::string_view name);

// The name registered for `id`, or an empty text.
std::string RegisteredMessageName(std::uint32_t id);

constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;

}  // namespace platform
