#include "msi_validation.h"

namespace {

// The engine's own words, or the error code when it has none.
std::string FailureText(UINT result) {
    std::string text = msi::LastFailureText();
    return text.empty() ? "error " + std::to_string(result) : text;
}

}  // namespace

bool ValidateMsiTable(const CMsiDatabase& db, const std::string& table,
                      std::vector<MsiRowFinding>& findings, std::vector<std::string>& unchecked,
                      std::string& failure) {
    const UINT result = msi::ValidateTable(db.GetHandle(), table.c_str(), findings, unchecked);
    if (result == ERROR_SUCCESS) return true;
    failure = FailureText(result);
    return false;
}

bool CheckMsiValidationRules(const CMsiDatabase& db, std::vector<MsiRuleFinding>& findings,
                             std::string& failure) {
    const UINT result = msi::CheckValidationRules(db.GetHandle(), findings);
    if (result == ERROR_SUCCESS) return true;
    failure = FailureText(result);
    return false;
}

std::string MsiValidationErrorName(int error) {
    return msi::ValidationErrorName(error);
}
