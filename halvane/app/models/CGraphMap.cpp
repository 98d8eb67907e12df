#include "halvane/app/models/CGraphMap.h"

#include "halvane/app/models/CGMapAxes.h"

namespace halvane::app::models {

std::unique_ptr<CGraphMap> MakeGraphMap(int xKind, int yKind) {
    const bool logX = xKind == 1;
    const bool logY = yKind == 1;
    if (logX && logY) return std::make_unique<CGMapLogLog>();
    if (logX) return std::make_unique<CGMapLogLin>();
    if (logY) return std::make_unique<CGMapLinLog>();
    return std::make_unique<CGMapLinLin>();
}

}  // namespace halvane::app::models
