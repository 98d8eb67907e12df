#include "marnoch/UnitClockText.h"

namespace marnoch {

namespace {

std::string twoDigits(int v) {
    if (v < 0) v = 0;
    v %= 100;
    return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

}  // namespace

std::string WeekdayCommand(const std::tm* t) {
    const int day = (t != nullptr && t->tm_wday >= 0 && t->tm_wday <= 6) ? t->tm_wday + 1 : 0;
    return "STD" + std::to_string(day) + "\n";
}

std::string ClockCommand(const std::tm& t, bool twentyFourHour) {
    const int hour = (t.tm_hour >= 0 && t.tm_hour <= 23) ? t.tm_hour : 0;
    const int minute = (t.tm_min >= 0 && t.tm_min <= 59) ? t.tm_min : 0;
    if (twentyFourHour) return "STC" + twoDigits(hour) + ":" + twoDigits(minute) + "\n";
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    return "STC" + twoDigits(hour12) + ":" + twoDigits(minute) + (hour < 12 ? "AM" : "PM") + "\n";
}

}  // namespace marnoch
