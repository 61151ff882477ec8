#include "messages.h"

namespace tablesmith {

std::string FormatMessageText(const char* format, std::initializer_list<std::string> args) {
    // A hand-made replacement rather than printf: the inserted texts come from
    // the package (table and stream names) and must never be read as formats.
    std::string text;
    auto next = args.begin();
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && (p[1] == 's' || p[1] == 'd') && next != args.end()) {
            text += *next++;
            ++p;
        } else {
            text += *p;
        }
    }
    return text;
}

}  // namespace tablesmith
