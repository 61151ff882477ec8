// The printf-style conversions of wsprintf, shared with the "%1!d!" inserts
// of FormatMessage.
//
// Windows' conversions, not the C library's: "l" means 32 bits (LONG), "h"
// 16 bits, "I64" 64 bits; no floating point. Handing such a format to
// vsnprintf would read a 64-bit long for "%ld" on Linux and fall out of step
// with the arguments.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

namespace win32 {

// Where the conversions take their values from: a va_list for wsprintf, one
// fetched insert for FormatMessage.
class FormatArguments {
  public:
    virtual ~FormatArguments() = default;
    virtual uint32_t NextInt32() = 0;
    virtual uint64_t NextInt64() = 0;
    virtual const void* NextPointer() = 0;
};

// Reads the values from a va_list (a copy; the caller's list is not moved).
class VaListArguments : public FormatArguments {
  public:
    explicit VaListArguments(va_list args) { va_copy(args_, args); }
    ~VaListArguments() override { va_end(args_); }
    VaListArguments(const VaListArguments&) = delete;
    VaListArguments& operator=(const VaListArguments&) = delete;

    uint32_t NextInt32() override { return va_arg(args_, uint32_t); }
    uint64_t NextInt64() override { return va_arg(args_, uint64_t); }
    const void* NextPointer() override { return va_arg(args_, const void*); }

  private:
    va_list args_;
};

// What kind of value a conversion takes, so that FormatMessage can fetch its
// inserts before formatting them.
enum class ArgumentKind { kNone, kInt32, kInt64, kPointer };

// One parsed conversion, "%-#08.3hs" without the '%'.
struct Conversion {
    bool left_align = false;
    bool zero_pad = false;
    bool alternate = false;
    int width = 0;
    int precision = -1;  // -1: none given
    enum class Size { kDefault, kShort, kLong, kInt64 } size = Size::kDefault;
    char type = '\0';   // '\0' when the text ended inside the conversion
    size_t length = 0;  // characters of the conversion text after the '%'

    ArgumentKind Kind() const;
};

// Parses the conversion that follows a '%'.
Conversion ParseConversion(std::string_view text);

// Appends the conversion's output; an unknown conversion appends its own text
// ("%f" stays "%f") and takes no argument.
void AppendConversion(std::string& out, const Conversion& conversion, std::string_view text,
                      FormatArguments& args);

// Formats a whole wsprintf format.
std::string FormatWsprintf(std::string_view format, FormatArguments& args);

}  // namespace win32
