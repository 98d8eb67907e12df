#pragma once

// The failure texts of the chirp processing, as the user sees them. The
// subwoofer texts are carried by diagnostics::TCodedException.
namespace halvane::signal::AudioSampler::ChirpFailures {

inline constexpr const char* kBackgroundNoise =
    "Error measurement procedure detected excessive background noise. (code 0x01)";
inline constexpr const char* kSubwooferAdvice =
    "\r\nIf you receive this message several times or are unable to complete the subwoofer"
    "\r\nmeasurement you can try increasing the subwoofer level using it's level control."
    "\r\nIf you chose to do this and you have already completed a position you must restart"
    "\r\nthe measurement procedure.";
inline constexpr const char* kWrongImpulseLength = "Error wrong impulse length. (code 0x02)";
inline constexpr const char* kNoProperResponse =
    "Error measurement was not able to acquire a proper response. (code 0x03)";
inline constexpr const char* kSubwooferNoProperResponse =
    "Error subwoofer measurement was not able to acquire a proper response. (code 0x04)";
inline constexpr const char* kNegativeOffset = "Negative offset. (code 0x05)";
inline constexpr const char* kOffsetTooLarge = "Offset was larger than buffer length. (code 0x06)";

}  // namespace halvane::signal::AudioSampler::ChirpFailures
