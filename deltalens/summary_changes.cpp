#include "summary_changes.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>

#include "msi_scoped_handle.h"
#include "msiquery.h"

namespace deltalens {

namespace {

// The installer's names of the properties (the ids it does not use, 0, 10
// and 17, have none).
constexpr const char* kPropertyNames[] = {nullptr,
                                          "Codepage",
                                          "Title",
                                          "Subject",
                                          "Author",
                                          "Keywords",
                                          "Comments",
                                          "Template",
                                          "Last Saved By",
                                          "Revision Number",
                                          nullptr,
                                          "Last Printed",
                                          "Create Time/Date",
                                          "Last Save Time/Date",
                                          "Page Count",
                                          "Word Count",
                                          "Character Count",
                                          nullptr,
                                          "Creating Application",
                                          "Security"};

std::string TimeText(const FILETIME& time) {
    // 100-ns ticks since 1601 to seconds since 1970.
    const std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    const std::time_t seconds =
        static_cast<std::time_t>(ticks / 10000000ULL) - std::time_t{11644473600LL};
    std::tm parts{};
    if (!gmtime_r(&seconds, &parts)) return "";
    char text[64];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

// Property id -> value as text, for every property the file has.
std::map<UINT, std::string> ReadProperties(const std::string& file) {
    std::map<UINT, std::string> values;
    CMsiScopedHandle summary;
    if (MsiGetSummaryInformationA(0, file.c_str(), 0, summary.GetHandleSlot()) != ERROR_SUCCESS)
        return values;
    for (UINT property = 1; property < std::size(kPropertyNames); ++property) {
        if (!kPropertyNames[property]) continue;
        UINT type = 0;
        INT number = 0;
        FILETIME time{};
        DWORD size = 0;
        if (MsiSummaryInfoGetPropertyA(summary.Get(), property, &type, &number, &time, nullptr,
                                       &size) != ERROR_SUCCESS)
            continue;
        switch (type) {
            case VT_I2:
            case VT_I4:
                values[property] = std::to_string(number);
                break;
            case VT_FILETIME:
                values[property] = TimeText(time);
                break;
            case VT_LPSTR: {
                std::string text(size + 1, '\0');
                size = static_cast<DWORD>(text.size());
                if (MsiSummaryInfoGetPropertyA(summary.Get(), property, &type, nullptr, nullptr,
                                               text.data(), &size) == ERROR_SUCCESS) {
                    text.resize(size);
                    values[property] = text;
                }
                break;
            }
            default:
                break;  // empty
        }
    }
    return values;
}

}  // namespace

std::vector<ChangeRow> SummaryChanges(const std::string& old_file, const std::string& new_file) {
    const std::map<UINT, std::string> old_values = ReadProperties(old_file);
    const std::map<UINT, std::string> new_values = ReadProperties(new_file);
    std::vector<ChangeRow> rows;
    for (UINT property = 1; property < std::size(kPropertyNames); ++property) {
        const auto old_value = old_values.find(property);
        const auto new_value = new_values.find(property);
        const bool in_old = old_value != old_values.end();
        const bool in_new = new_value != new_values.end();
        if (!in_old && !in_new) continue;
        if (in_old && in_new && old_value->second == new_value->second) continue;
        rows.push_back({kSummaryTable, kPropertyNames[property], "",
                        in_new ? new_value->second : "", in_old ? old_value->second : ""});
    }
    return rows;
}

}  // namespace deltalens
