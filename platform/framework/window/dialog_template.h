// Dialog templates as data: one table of controls per dialog, in dialog units,
// as a dialog resource lists them. CDialog builds its window from one.
//
// Dialog units follow the dialog's font: a horizontal unit is a quarter of
// the font's average character width, a vertical unit an eighth of its
// height. So a dialog laid out for one font keeps its proportions in another,
// and follows the user's font size and screen scale.
#pragma once

#include <string>
#include <vector>

namespace fw {

enum class ControlKind {
    kStatic,         // a line of text
    kIcon,           // an icon resource (icon_id)
    kGroupBox,       // a frame with an optional title; never takes the mouse
    kEdit,           // a one-line edit field
    kPushButton,     // a button
    kDefPushButton,  // a button drawn as the default; the first one is the Enter key's
    kAutoCheckBox,   // a check box that toggles itself when clicked
    kComboBox,       // a drop-down list (CBS_SORT: kept sorted)
    kListView,       // a report-style list
};

// The identifier of controls that nothing refers to (labels, frames).
inline constexpr int kStaticId = -1;

struct ControlTemplate {
    int id;
    ControlKind kind;
    std::string text;
    int x, y, cx, cy;    // dialog units
    unsigned style = 0;  // WS_/ES_/CBS_/LVS_ bits (styles.h)
    int icon_id = 0;     // kIcon: the icon resource shown
};

struct DialogTemplate {
    std::string caption;
    int cx, cy;  // client size in dialog units
    // DS_/WS_ frame bits: WS_MINIMIZEBOX and WS_MAXIMIZEBOX add those
    // buttons; WS_THICKFRAME lets the window grow from the template's size.
    unsigned style = 0;
    std::vector<ControlTemplate> controls;  // creation, z and tab order
};

// The font measures that dialog units stand on, in pixels.
struct DialogBaseUnits {
    int x;  // average character width
    int y;  // character height
};

struct PixelRect {
    int x, y, width, height;
};

// Dialog units to pixels, rounded as the platform rounds (MulDiv).
int HorizontalPixels(int dialog_units, DialogBaseUnits base);
int VerticalPixels(int dialog_units, DialogBaseUnits base);
PixelRect ToPixels(const ControlTemplate& control, DialogBaseUnits base);

// The average character width as the platform measures it: the width of the
// 52 letters A-Z and a-z, divided by 26, plus one, halved.
int AverageCharWidth(int width_of_the_52_letters);

}  // namespace fw
