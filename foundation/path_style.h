// Which path syntax the path functions speak.
//
// The native style is the one of the machine we run on: "/" separates folders
// and there are no drive letters or server shares. The Windows style keeps the
// backslash, the drive letter with its colon and the \\server\share form, so
// that paths written for Windows (package tables, scripts made there) can be
// taken apart with the same algorithms. The choice is process-wide because
// the functions are free functions called from every layer.
#pragma once

enum VSB_PathStyle {
    VSB_PATH_NATIVE = 0,
    VSB_PATH_WINDOWS = 1,
};

// Selects the style for every path function from now on; returns the previous one.
VSB_PathStyle VSB_SetPathStyle(VSB_PathStyle style);
VSB_PathStyle VSB_GetPathStyle();

// The separator of the current style: '/' natively, '\\' in Windows style.
char VSB_PathSeparator();

namespace foundation {

// Sets a path style for as long as it lives, then puts the old one back.
class ScopedPathStyle {
  public:
    explicit ScopedPathStyle(VSB_PathStyle style) : previous_(VSB_SetPathStyle(style)) {}
    ~ScopedPathStyle() { VSB_SetPathStyle(previous_); }
    ScopedPathStyle(const ScopedPathStyle&) = delete;
    ScopedPathStyle& operator=(const ScopedPathStyle&) = delete;

  private:
    VSB_PathStyle previous_;
};

}  // namespace foundation
