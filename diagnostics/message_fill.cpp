#include "message_fill.h"

#include <string_view>

namespace diag {

std::string FillMessage(const char* format, std::initializer_list<std::string> fields) {
    const std::string_view rest(format);
    std::string text;
    auto field = fields.begin();
    for (std::size_t at = 0; at < rest.size(); ++at) {
        const bool marker =
            rest[at] == '%' && at + 1 < rest.size() && (rest[at + 1] == 's' || rest[at + 1] == 'd');
        if (marker && field != fields.end()) {
            text += *field++;
            ++at;
        } else {
            text += rest[at];
        }
    }
    return text;
}

}  // namespace diag
