#include "transform_conditions.h"

#include <cstdio>

#include "msiquery.h"

namespace installer {

namespace {

struct FlagWord {
    unsigned bit;
    const char* words;
};

constexpr FlagWord kValidation[] = {
    {MSITRANSFORM_VALIDATE_LANGUAGE, "language"},
    {MSITRANSFORM_VALIDATE_PRODUCT, "product code"},
    {MSITRANSFORM_VALIDATE_PLATFORM, "platform"},
    {MSITRANSFORM_VALIDATE_MAJORVERSION, "major version"},
    {MSITRANSFORM_VALIDATE_MINORVERSION, "minor version"},
    {MSITRANSFORM_VALIDATE_UPDATEVERSION, "update version"},
    {MSITRANSFORM_VALIDATE_NEWLESSBASEVERSION, "new version < base version"},
    {MSITRANSFORM_VALIDATE_NEWLESSEQUALBASEVERSION, "new version <= base version"},
    {MSITRANSFORM_VALIDATE_NEWEQUALBASEVERSION, "new version = base version"},
    {MSITRANSFORM_VALIDATE_NEWGREATEREQUALBASEVERSION, "new version >= base version"},
    {MSITRANSFORM_VALIDATE_NEWGREATERBASEVERSION, "new version > base version"},
    {MSITRANSFORM_VALIDATE_UPGRADECODE, "upgrade code"},
};

constexpr FlagWord kConditions[] = {
    {MSITRANSFORM_ERROR_ADDEXISTINGROW, "add existing row"},
    {MSITRANSFORM_ERROR_DELMISSINGROW, "delete missing row"},
    {MSITRANSFORM_ERROR_ADDEXISTINGTABLE, "add existing table"},
    {MSITRANSFORM_ERROR_DELMISSINGTABLE, "delete missing table"},
    {MSITRANSFORM_ERROR_UPDATEMISSINGROW, "update missing row"},
    {MSITRANSFORM_ERROR_CHANGECODEPAGE, "change code page"},
    {MSITRANSFORM_ERROR_VIEWTRANSFORM, "view transform"},
};

template <std::size_t N>
std::vector<std::string> Words(unsigned value, const FlagWord (&table)[N]) {
    std::vector<std::string> words;
    for (unsigned bit = 1; bit != 0 && bit <= value; bit <<= 1) {
        if ((value & bit) == 0) continue;
        const char* found = nullptr;
        for (const FlagWord& entry : table)
            if (entry.bit == bit) found = entry.words;
        if (found != nullptr) {
            words.push_back(found);
        } else {
            char unknown[24];
            std::snprintf(unknown, sizeof unknown, "bit 0x%04X", bit);
            words.push_back(unknown);
        }
    }
    return words;
}

}  // namespace

std::vector<std::string> ValidationFlagWords(unsigned validation) {
    return Words(validation, kValidation);
}

std::vector<std::string> ErrorConditionWords(unsigned conditions) {
    return Words(conditions, kConditions);
}

std::string JoinWords(const std::vector<std::string>& words) {
    if (words.empty()) return "none";
    std::string joined;
    for (const std::string& word : words) joined += (joined.empty() ? "" : ", ") + word;
    return joined;
}

}  // namespace installer
