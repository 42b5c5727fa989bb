#pragma once

namespace tavori {

// Window positions and sizes are kept in twips, 1/1440 inch. Every conversion to and from the
// screen's pixels goes through these two functions, at the system's dots per inch.
constexpr int kTwipsPerInch = 1440;

int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

}  // namespace tavori
