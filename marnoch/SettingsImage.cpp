#include "marnoch/SettingsImage.h"

namespace marnoch {

SettingsImage& SettingsImage::process() {
    static SettingsImage image;
    return image;
}

}  // namespace marnoch
