// Bytes as base64 (RFC 4648, with padding, no line breaks): how binary cells
// travel in text output (dump's JSON, CSV and SQL).
#pragma once

#include <string>
#include <string_view>

namespace cli {

std::string Base64(std::string_view bytes);

}  // namespace cli
