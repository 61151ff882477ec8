#include "code_page_names.h"

namespace installer {

namespace {

struct CodePageEntry {
    unsigned code_page;
    const char* name;
};

// The pages installer packages and transforms are made in: the Windows ANSI
// pages of each language, the OEM pages, and the Unicode forms.
constexpr CodePageEntry kNames[] = {
    {0, "neutral"},
    {437, "OEM United States"},
    {850, "OEM Multilingual Latin 1"},
    {852, "OEM Central European"},
    {866, "OEM Cyrillic"},
    {874, "Thai (Windows-874)"},
    {932, "Japanese (Shift-JIS)"},
    {936, "Simplified Chinese (GBK)"},
    {949, "Korean (Unified Hangul)"},
    {950, "Traditional Chinese (Big5)"},
    {1200, "Unicode (UTF-16LE)"},
    {1201, "Unicode (UTF-16BE)"},
    {1250, "Central European (Windows-1250)"},
    {1251, "Cyrillic (Windows-1251)"},
    {1252, "Western European (Windows-1252)"},
    {1253, "Greek (Windows-1253)"},
    {1254, "Turkish (Windows-1254)"},
    {1255, "Hebrew (Windows-1255)"},
    {1256, "Arabic (Windows-1256)"},
    {1257, "Baltic (Windows-1257)"},
    {1258, "Vietnamese (Windows-1258)"},
    {10000, "Western European (Mac)"},
    {20127, "US-ASCII"},
    {20866, "Cyrillic (KOI8-R)"},
    {21866, "Cyrillic (KOI8-U)"},
    {28591, "Western European (ISO-8859-1)"},
    {28592, "Central European (ISO-8859-2)"},
    {28605, "Latin 9 (ISO-8859-15)"},
    {50220, "Japanese (ISO-2022-JP)"},
    {51932, "Japanese (EUC-JP)"},
    {51949, "Korean (EUC-KR)"},
    {54936, "Simplified Chinese (GB18030)"},
    {65000, "Unicode (UTF-7)"},
    {65001, "Unicode (UTF-8)"},
};

}  // namespace

std::string CodePageName(unsigned code_page) {
    for (const CodePageEntry& entry : kNames)
        if (entry.code_page == code_page) return entry.name;
    return "";
}

std::string DescribeCodePage(unsigned code_page) {
    const std::string name = CodePageName(code_page);
    return name.empty() ? std::to_string(code_page) : std::to_string(code_page) + " (" + name + ")";
}

}  // namespace installer
