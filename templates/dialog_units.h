// Dialog units to pixels, without a toolkit: x * average character width / 4 and
// y * character height / 8, rounded to the nearest pixel, as the dialog manager converts them.
// The two measures (the base units) come from the template's font; every front end that builds
// the templates converts with these functions, so that all of them lay a form out alike.
#pragma once

namespace ui {

// A font's base units in pixels: its average character width and its character height.
struct BaseUnits {
    int x = 1;
    int y = 1;
    bool operator==(const BaseUnits&) const = default;
};

// 굴림's own cell at a pixel size of em: a line one em high, Latin letters half an em wide
// (6 x 12 at 9 points and 96 dpi). The forms were laid out in it, so they keep it whichever
// font stands in for 굴림.
BaseUnits GulimBaseUnits(int emPixels);
// Any other font, measured: the width of the 52 Latin letters "A".."Z" "a".."z" and the line
// height. The average letter width is rounded as the dialog manager rounds it.
BaseUnits MeasuredBaseUnits(int latinLettersWidth, int lineHeight);

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

int DialogUnitsToPixelsX(int dlu, BaseUnits base);
int DialogUnitsToPixelsY(int dlu, BaseUnits base);
PixelRect DialogUnitsToPixels(int x, int y, int cx, int cy, BaseUnits base);

}  // namespace ui
