#include "generated_summary.h"

#include "debug_trace.h"
#include "generate_command.h"
#include "msi_scoped_handle.h"
#include "msiquery.h"

namespace tablesmith {

namespace {

// Each value is read into a buffer of 256 characters; a longer template or
// revision number is not copied, and the trace says so.
constexpr DWORD kValueBuffer = 256;

std::optional<std::string> ReadText(MSIHANDLE summary, UINT property) {
    char buffer[kValueBuffer] = {};
    DWORD size = kValueBuffer;
    UINT type = VT_EMPTY;
    INT number = 0;
    FILETIME time{};
    const UINT result =
        MsiSummaryInfoGetPropertyA(summary, property, &type, &number, &time, buffer, &size);
    if (result != ERROR_SUCCESS) {
        VSB_Trace("Tablesmith: summary property %d of the source not copied (%d)", property,
                  static_cast<int>(result));
        return std::nullopt;
    }
    if (type != VT_LPSTR) return std::nullopt;
    return std::string(buffer, size);
}

}  // namespace

bool ReadSourceSummary(const std::string& msi_file, SourceSummary& summary) {
    CMsiScopedHandle handle;
    if (MsiGetSummaryInformationA(0, msi_file.c_str(), 0, handle.GetHandleSlot()) != ERROR_SUCCESS)
        return false;
    summary.revision_number = ReadText(handle.Get(), PID_REVNUMBER);
    summary.template_text = ReadText(handle.Get(), PID_TEMPLATE);
    return true;
}

bool WriteGeneratedSummary(MSIHANDLE database, const SourceSummary& summary) {
    CMsiScopedHandle handle;
    // Room for the four properties this step may add.
    if (MsiGetSummaryInformationA(database, nullptr, 4, handle.GetHandleSlot()) != ERROR_SUCCESS)
        return false;
    bool ok = true;
    auto set_text = [&](UINT property, const std::optional<std::string>& value) {
        if (!value) return;
        if (MsiSummaryInfoSetPropertyA(handle.Get(), property, VT_LPSTR, 0, nullptr,
                                       value->c_str()) != ERROR_SUCCESS)
            ok = false;
    };
    set_text(PID_REVNUMBER, summary.revision_number);
    set_text(PID_TEMPLATE, summary.template_text);
    if (MsiSummaryInfoSetPropertyA(handle.Get(), PID_PAGECOUNT, VT_I4, kGeneratedPageCount, nullptr,
                                   nullptr) != ERROR_SUCCESS)
        ok = false;
    set_text(PID_COMMENTS, std::string(kGeneratedComments));
    if (MsiSummaryInfoPersist(handle.Get()) != ERROR_SUCCESS) ok = false;
    return ok;
}

}  // namespace tablesmith
