#include "platform/twips.h"

#include <cmath>

namespace tavori {

int TwipsToPixels(double twips, int dpi) {
    // Round to the nearest pixel, halves away from zero, so that a negative placement mirrors a
    // positive one.
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double PixelsToTwips(int pixels, int dpi) {
    return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

}  // namespace tavori
