#include "summary_properties.h"

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "msi_scoped_handle.h"
#include "msiquery.h"

namespace viewer {

namespace {

struct PropertyName {
    UINT id;
    const char* name;
};

constexpr PropertyName kNames[] = {
    {PID_CODEPAGE, "Codepage"},
    {PID_TITLE, "Title"},
    {PID_SUBJECT, "Subject"},
    {PID_AUTHOR, "Author"},
    {PID_KEYWORDS, "Keywords"},
    {PID_COMMENTS, "Comments"},
    {PID_TEMPLATE, "Template"},
    {PID_LASTAUTHOR, "Last Saved By"},
    {PID_REVNUMBER, "Revision Number"},
    {PID_EDITTIME, "Edit Time"},
    {PID_LASTPRINTED, "Last Printed"},
    {PID_CREATE_DTM, "Create Time/Date"},
    {PID_LASTSAVE_DTM, "Last Save Time/Date"},
    {PID_PAGECOUNT, "Page Count"},
    {PID_WORDCOUNT, "Word Count"},
    {PID_CHARCOUNT, "Character Count"},
    {PID_THUMBNAIL, "Thumbnail"},
    {PID_APPNAME, "Creating Application"},
    {PID_SECURITY, "Security"},
};

struct CodePageName {
    int number;
    const char* name;
};

constexpr CodePageName kCodePages[] = {
    {0, "neutral"},
    {437, "OEM United States"},
    {850, "OEM Multilingual Latin 1"},
    {874, "Thai"},
    {932, "Japanese Shift-JIS"},
    {936, "Simplified Chinese GBK"},
    {949, "Korean"},
    {950, "Traditional Chinese Big5"},
    {1200, "UTF-16"},
    {1250, "Central European"},
    {1251, "Cyrillic"},
    {1252, "Western European"},
    {1253, "Greek"},
    {1254, "Turkish"},
    {1255, "Hebrew"},
    {1256, "Arabic"},
    {1257, "Baltic"},
    {1258, "Vietnamese"},
    {65000, "UTF-7"},
    {65001, "UTF-8"},
};

}  // namespace

std::string CodePageText(int code_page) {
    for (const CodePageName& known : kCodePages)
        if (known.number == code_page) return std::to_string(code_page) + " (" + known.name + ")";
    return std::to_string(code_page);
}

std::string IsoDate(unsigned long long filetime) {
    // Seconds between 1601-01-01 and 1970-01-01.
    constexpr long long kEpochDifference = 11644473600LL;
    const long long seconds = static_cast<long long>(filetime / 10000000ULL) - kEpochDifference;
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    if (!gmtime_r(&time, &parts)) return std::to_string(filetime);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

std::vector<SummaryProperty> ReadSummaryProperties(MSIHANDLE database) {
    std::vector<SummaryProperty> properties;
    CMsiScopedHandle summary;
    if (MsiGetSummaryInformationA(database, nullptr, 0, summary.GetHandleSlot()) != ERROR_SUCCESS)
        return properties;
    for (const PropertyName& property : kNames) {
        UINT type = VT_EMPTY;
        INT integer = 0;
        FILETIME filetime{};
        std::string text(256, '\0');
        DWORD size = static_cast<DWORD>(text.size());
        UINT result = MsiSummaryInfoGetPropertyA(summary.Get(), property.id, &type, &integer,
                                                 &filetime, text.data(), &size);
        if (result == ERROR_MORE_DATA) {
            text.resize(size + 1);
            size = static_cast<DWORD>(text.size());
            result = MsiSummaryInfoGetPropertyA(summary.Get(), property.id, &type, &integer,
                                                &filetime, text.data(), &size);
        }
        if (result != ERROR_SUCCESS || type == VT_EMPTY) continue;
        SummaryProperty shown{property.name, "", ""};
        switch (type) {
            case VT_I2:
            case VT_I4:
                shown.type = type == VT_I2 ? "Integer (I2)" : "Integer (I4)";
                shown.value =
                    property.id == PID_CODEPAGE ? CodePageText(integer) : std::to_string(integer);
                break;
            case VT_FILETIME:
                shown.type = "Date";
                shown.value =
                    IsoDate((static_cast<unsigned long long>(filetime.dwHighDateTime) << 32) |
                            filetime.dwLowDateTime);
                break;
            default:
                shown.type = "Text";
                shown.value.assign(text.data(), size);
                break;
        }
        properties.push_back(std::move(shown));
    }
    return properties;
}

std::string DatabaseCodePage(MSIHANDLE database) {
    std::error_code error;
    std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return "unknown";
    std::string pattern = (base / "vsb-viewer-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return "unknown";
    const std::filesystem::path folder = pattern;
    std::string answer = "unknown";
    if (MsiDatabaseExportA(database, "_ForceCodepage", folder.c_str(), "codepage.idt") ==
        ERROR_SUCCESS) {
        // Two empty lines, then "<code page>\t_ForceCodepage".
        std::ifstream in(folder / "codepage.idt");
        std::string line;
        for (int i = 0; i < 3 && std::getline(in, line); ++i) {
        }
        answer = CodePageText(std::atoi(line.c_str()));
    }
    std::filesystem::remove_all(folder, error);
    return answer;
}

}  // namespace viewer
