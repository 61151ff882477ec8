// wvsprintfA and wsprintfA: the Windows printf, into a buffer of 1024 bytes.
#include <cstring>

#include "mb_char.h"
#include "printf_engine.h"
#include "win32/codepage.h"
#include "win32/format.h"
#include "win32/lasterror.h"
#include "win32/winerror.h"

namespace {
// The buffer size wsprintf has always assumed, terminator included.
constexpr size_t kWsprintfLimit = 1024;
}  // namespace

extern "C" int wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist) {
    if (lpOut == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lpFmt == nullptr) {
        lpOut[0] = '\0';
        return 0;
    }
    win32::VaListArguments args(arglist);
    std::string text = win32::FormatWsprintf(lpFmt, args);
    if (text.size() >= kWsprintfLimit) {
        // Cut at the limit, but at a character boundary, so that the text
        // never ends in half a multibyte character.
        auto* start = reinterpret_cast<const unsigned char*>(text.c_str());
        const unsigned char* limit = start + kWsprintfLimit - 1;
        const unsigned char* cut = limit;
        const unsigned char* previous = win32::PreviousChar(start, limit, win32::ProcessCodePage());
        if (previous != nullptr &&
            previous + win32::CharLength(previous, win32::ProcessCodePage()) > limit) {
            cut = previous;
        }
        text.resize(static_cast<size_t>(cut - start));
    }
    std::memcpy(lpOut, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size());
}

extern "C" int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
    va_list args;
    va_start(args, lpFmt);
    int length = wvsprintfA(lpOut, lpFmt, args);
    va_end(args);
    return length;
}
