#include "summary_information.h"

#include <ctime>

#include "msi_engine.h"
#include "msi_scoped_handle.h"
#include "msiquery.h"

namespace installer {

namespace {

constexpr const char* kNames[] = {
    "",                     // 0: the dictionary, never a value
    "Codepage",             // 1
    "Title",                // 2
    "Subject",              // 3
    "Author",               // 4
    "Keywords",             // 5
    "Comments",             // 6
    "Template",             // 7
    "LastSavedBy",          // 8
    "RevisionNumber",       // 9
    "EditTime",             // 10
    "LastPrinted",          // 11
    "CreateTime",           // 12
    "LastSaveTime",         // 13
    "PageCount",            // 14
    "WordCount",            // 15
    "CharacterCount",       // 16
    "Thumbnail",            // 17
    "CreatingApplication",  // 18
    "Security",             // 19
};

// FILETIME counts from 1601; time_t from 1970: 369 years with 89 leap days.
constexpr long long kSecondsFrom1601To1970 = 11644473600LL;

}  // namespace

const char* SummaryPropertyName(unsigned id) {
    return id < std::size(kNames) ? kNames[id] : "";
}

std::string FileTimeToIso8601(const FILETIME& time) {
    const unsigned long long ticks =
        (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    const std::time_t seconds = static_cast<std::time_t>(
        static_cast<long long>(ticks / 10000000ULL) - kSecondsFrom1601To1970);
    std::tm utc{};
    if (gmtime_r(&seconds, &utc) == nullptr) return "";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

bool ReadSummaryInformation(MSIHANDLE database, const std::string& path,
                            std::vector<SummaryProperty>& properties, std::string* failure) {
    properties.clear();
    CMsiScopedHandle summary;
    const UINT opened = MsiGetSummaryInformationA(database, database == 0 ? path.c_str() : nullptr,
                                                  0, summary.GetHandleSlot());
    if (opened != ERROR_SUCCESS) {
        if (failure != nullptr) {
            *failure = msi::LastFailureText();
            if (failure->empty()) *failure = "error " + std::to_string(opened);
        }
        return false;
    }
    for (unsigned id = 1; id < std::size(kNames); ++id) {
        UINT type = VT_EMPTY;
        INT number = 0;
        FILETIME time{};
        std::string text(256, '\0');
        DWORD size = static_cast<DWORD>(text.size());
        UINT result = MsiSummaryInfoGetPropertyA(summary.Get(), id, &type, &number, &time,
                                                 text.data(), &size);
        if (result == ERROR_MORE_DATA) {
            text.resize(size + 1);
            size = static_cast<DWORD>(text.size());
            result = MsiSummaryInfoGetPropertyA(summary.Get(), id, &type, &number, &time,
                                                text.data(), &size);
        }
        if (result != ERROR_SUCCESS || type == VT_EMPTY) continue;
        SummaryProperty property;
        property.id = id;
        property.name = kNames[id];
        switch (type) {
            case VT_I2:
            case VT_I4:
                property.type = SummaryProperty::Type::kInteger;
                property.number = number;
                property.text = std::to_string(number);
                break;
            case VT_FILETIME:
                property.type = SummaryProperty::Type::kTime;
                property.text = FileTimeToIso8601(time);
                break;
            default:
                property.type = SummaryProperty::Type::kText;
                property.text = text.substr(0, size);
                break;
        }
        properties.push_back(std::move(property));
    }
    return true;
}

const SummaryProperty* FindSummaryProperty(const std::vector<SummaryProperty>& properties,
                                           unsigned id) {
    for (const SummaryProperty& property : properties)
        if (property.id == id) return &property;
    return nullptr;
}

}  // namespace installer
