#include "verify.h"

namespace diag {

namespace {
// Trace line only: a failed check never stops the program.
constexpr DWORD kVerifyReportFlags = 3;
}  // namespace

bool Verify(bool value, const std::string& location, const char* expression_text,
            const char* detail) {
    if (value) return true;
    std::string text = "[BETA_BUILD]: VERIFY failed: ";
    text += expression_text != nullptr ? expression_text : "";
    text += detail != nullptr ? detail : "";
    VSB_ReportError(location, 0, text.c_str(), kVerifyReportFlags);
    return false;
}

}  // namespace diag
