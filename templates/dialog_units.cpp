#include "templates/dialog_units.h"

#include <algorithm>

namespace ui {

namespace {

// a * b / c rounded to the nearest whole number.
int MulDiv(int a, int b, int c) { return (a * b + c / 2) / c; }

}  // namespace

BaseUnits GulimBaseUnits(int emPixels) {
    const int em = std::max(1, emPixels);
    return BaseUnits{std::max(1, (em + 1) / 2), em};
}

BaseUnits MeasuredBaseUnits(int latinLettersWidth, int lineHeight) {
    return BaseUnits{std::max(1, (latinLettersWidth / 26 + 1) / 2), std::max(1, lineHeight)};
}

int DialogUnitsToPixelsX(int dlu, BaseUnits base) { return MulDiv(dlu, base.x, 4); }
int DialogUnitsToPixelsY(int dlu, BaseUnits base) { return MulDiv(dlu, base.y, 8); }

PixelRect DialogUnitsToPixels(int x, int y, int cx, int cy, BaseUnits base) {
    return PixelRect{DialogUnitsToPixelsX(x, base), DialogUnitsToPixelsY(y, base), DialogUnitsToPixelsX(cx, base),
                     DialogUnitsToPixelsY(cy, base)};
}

}  // namespace ui
