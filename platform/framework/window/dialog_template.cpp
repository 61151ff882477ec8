#include "window/dialog_template.h"

namespace fw {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

int HorizontalPixels(int dialog_units, DialogBaseUnits base) {
    return MulDiv(dialog_units, base.x, 4);
}

int VerticalPixels(int dialog_units, DialogBaseUnits base) {
    return MulDiv(dialog_units, base.y, 8);
}

PixelRect ToPixels(const ControlTemplate& control, DialogBaseUnits base) {
    return {HorizontalPixels(control.x, base), VerticalPixels(control.y, base),
            HorizontalPixels(control.cx, base), VerticalPixels(control.cy, base)};
}

int AverageCharWidth(int width_of_the_52_letters) {
    return (width_of_the_52_letters / 26 + 1) / 2;
}

}  // namespace fw
