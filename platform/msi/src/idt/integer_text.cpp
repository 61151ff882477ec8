#include "idt/integer_text.h"

#include <string>

namespace msi::idt {

Result<int32_t> ParseInteger(std::string_view text, unsigned width) {
    const std::string quoted = "\"" + std::string(text.substr(0, 32)) + "\"";
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty()) return Status::InvalidArgument("not a number: " + quoted);
    const int64_t limit = width == 4 ? INT32_MAX : INT16_MAX;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return Status::InvalidArgument("not a number: " + quoted);
        value = value * 10 + (c - '0');
        if (value > limit) return Status::InvalidArgument("number out of range: " + quoted);
    }
    return static_cast<int32_t>(negative ? -value : value);
}

}  // namespace msi::idt
