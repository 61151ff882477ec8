#include "verify.h"

namespace diag {

namespace {
// Trace line only: a failed check never stops the program.
constexpr DWORD kVerifyReportFlags = 3;
}  // namespace

std::string VerifyReportText(const char* expression_text, const char* detail) {
    std::string text = "[BETA_BUILD]: VERIFY failed: ";
    text += expression_text != nullptr ? expression_text : "";
    text += detail != nullptr ? detail : "";
    return text;
}

bool Verify(bool value, const std::string& location, const char* expression_text,
            const char* detail) {
    if (value) return true;
    VSB_ReportError(location, 0, VerifyReportText(expression_text, detail).c_str(),
                    kVerifyReportFlags);
    return false;
}

}  // namespace diag
