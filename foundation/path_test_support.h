// Fixtures shared by the tests of the path and text functions.
#pragma once

#include <gtest/gtest.h>
#include <mbstring.h>

#include "path_style.h"

namespace foundation {

// Runs each test in Windows path style and puts the native style back afterwards.
class WindowsPathTest : public ::testing::Test {
  protected:
    ScopedPathStyle style_{VSB_PATH_WINDOWS};
};

// Runs each test in native ("/") style.
class NativePathTest : public ::testing::Test {
  protected:
    ScopedPathStyle style_{VSB_PATH_NATIVE};
};

// Switches the process to the Japanese double-byte code page for one test,
// where 0x81-0x9F and 0xE0-0xFC lead a two-byte character whose second byte
// may be 0x5C, the value of a backslash ("\x95\x5C" is one character).
class ScopedCodePage932 {
  public:
    ScopedCodePage932() : previous_(_getmbcp()) { _setmbcp(932); }
    ~ScopedCodePage932() { _setmbcp(previous_); }
    ScopedCodePage932(const ScopedCodePage932&) = delete;
    ScopedCodePage932& operator=(const ScopedCodePage932&) = delete;

  private:
    int previous_;
};

}  // namespace foundation
