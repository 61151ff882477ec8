#include "message_text.h"

#include <string_view>

namespace deltalens {

std::string FillMessage(const char* format, std::initializer_list<std::string> fields) {
    std::string text;
    const std::string_view rest(format);
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

}  // namespace deltalens
