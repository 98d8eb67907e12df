#pragma once

#include <ctime>
#include <string>

namespace marnoch {

// "STD%d\n": the weekday counted from Sunday = 1; 0 when the time is unknown.
std::string WeekdayCommand(const std::tm* localTime);

// "STC%H:%M\n" (24-hour) or "STC%I:%M%p\n" (12-hour with "AM"/"PM"). Made by
// hand: the processor understands only these digits and markers, whatever
// the PC's locale would print.
std::string ClockCommand(const std::tm& localTime, bool twentyFourHour);

}  // namespace marnoch
