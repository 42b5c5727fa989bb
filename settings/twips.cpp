#include "settings/twips.h"

#include <algorithm>
#include <cmath>

namespace tavori {

int TwipsToPixels(double twips, int dpi) {
    // Round to the nearest pixel, halves away from zero, so that a negative placement mirrors a
    // positive one. Window coordinates end at 16 bits; a larger stored number (a hand edit of
    // 1e30, say) must not overflow the conversion.
    const double pixels = std::round(twips * dpi / kTwipsPerInch);
    return static_cast<int>(std::clamp(pixels, -32768.0, 32767.0));
}

double PixelsToTwips(int pixels, int dpi) {
    return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

}  // namespace tavori
