#pragma once

#include <QString>

namespace halvane::app::main_frame_ids {

// The control ids of the main frame's command bar and menu commands. Each
// action carries its id in its object name, "idc_<id>" on the command bar
// and "id_<id>" in the menus, so tests and tools find it by id.

// The command bar.
inline constexpr int kMeasure = 1003;
inline constexpr int kCalculate = 1005;
inline constexpr int kAutoScale = 1007;
inline constexpr int kUpload = 1009;
inline constexpr int kTargets = 1011;
inline constexpr int kErase = 1014;
inline constexpr int kColors = 1062;
inline constexpr int kOriginal = 1063;  // no command: always hidden
inline constexpr int kVerify = 1064;    // no command: always hidden

// The View and Tools menus.
inline constexpr int kShowTargets = 32778;
inline constexpr int kTargetsOnTop = 32779;
inline constexpr int kShowMeasured = 32780;
inline constexpr int kShowCalculated = 32781;
inline constexpr int kLanguages = 32784;
inline constexpr int kMovie = 32788;
inline constexpr int kMusic = 32789;
inline constexpr int kQuickMeasure = 32795;

inline QString BarObjectName(int id) { return QStringLiteral("idc_%1").arg(id); }
inline QString MenuObjectName(int id) { return QStringLiteral("id_%1").arg(id); }

}  // namespace halvane::app::main_frame_ids
