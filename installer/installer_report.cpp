#include "installer_report.h"

#include "error_report.h"
#include "msi_error_text.h"
#include "verify.h"

namespace installer {

namespace {

constexpr const char* kSource = "MsiDbClasses";
// The line of the check that reports failed installer calls.
constexpr int kInstallerErrorLine = 228;

}  // namespace

std::string Location(int line) {
    return VSB_LOCATION(kSource, line);
}

std::string InstallerErrorText(const char* context, const char* detail, const std::string& path,
                               UINT code) {
    std::string text = "Error ";
    const std::string context_text = context != nullptr ? context : "";
    const std::size_t slot = context_text.find("%s");
    if (slot == std::string::npos) {
        text += context_text;
    } else {
        text += context_text.substr(0, slot);
        text += detail != nullptr ? detail : "";
        text += context_text.substr(slot + 2);
    }
    text += " ";
    text += path;
    text += "\nMSI error: ";
    text += VSB_MsiErrorText(code);
    return text;
}

void ReportInstallerError(const std::string& text, std::uint32_t flags) {
    VSB_ReportError(Location(kInstallerErrorLine), 0, text.c_str(), flags);
}

bool VerifyAt(bool value, int line, const char* expression, const char* detail) {
    static const std::string source_file = std::string(kSource) + ".cpp";
    return diag::Verify(value, Location(line), expression,
                        detail != nullptr ? detail : source_file.c_str());
}

}  // namespace installer

namespace installer {

void ReportAt(int line, const char* text, std::uint32_t flags) {
    VSB_ReportError(Location(line), 0, text, flags);
}

}  // namespace installer
