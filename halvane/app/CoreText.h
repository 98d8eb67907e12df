#pragma once

#include <QCoreApplication>
#include <QString>

#include <string>

namespace halvane::app {

// Texts made by the toolkit-free core (status texts, axis titles, legend rows,
// speaker names) are translated where they reach the screen, all in one
// context. A text the installed language file does not hold comes back as it
// was, so without a language file nothing changes.
inline constexpr const char* kCoreTextContext = "Halvane";

inline QString CoreText(const std::string& text) {
    if (text.empty()) return {};
    return QCoreApplication::translate(kCoreTextContext, text.c_str());
}

}  // namespace halvane::app
