// What a person does to the windows, for tests on real widgets: clicks and
// keys go through the window system's event queue to the widget that would
// get them, so focus, enabled state and the dialog's key handling all count.
#pragma once

#include <string>

class CDialog;
class CWnd;

namespace fw::test {

enum class Key { kEnter, kEscape, kTab, kBacktab, kSpace, kF1, kF10, kMenu, kUp, kDown, kCopy };

enum Modifiers : unsigned { kNoModifier = 0, kShift = 1, kAlt = 2, kControl = 4 };

// A left click in the middle of the control.
void Click(CWnd& control);
// A right click at (x, y) of the window's client area.
void RightClick(CWnd& window, int x, int y);
// A key to the widget with the keyboard focus in the active window (a menu
// when one is open).
void PressKey(Key key, unsigned modifiers = kNoModifier);
// A character key ('o', 'C' with kControl...), delivered as PressKey does.
void PressChar(char c, unsigned modifiers = kNoModifier);
// Focuses the control and types `text` into it.
void TypeText(CWnd& control, const std::string& text);

// The id of the dialog's control that has the focus; -1 for none.
int FocusedControlId(const CDialog& dialog);
// Lets queued window events run.
void ProcessEvents();
// The title of the window the user works in (a modal one first); "" for none.
std::string ActiveWindowTitle();

}  // namespace fw::test
