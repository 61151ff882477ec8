#include "named_column_map.h"

#include <mbstring.h>

#include <string_view>
#include <vector>

#include "profile.h"

namespace {
// Buffer sizes of the profile reads: the whole key list of a section, then
// one value at a time.
constexpr DWORD kKeyListSize = 8192;
constexpr DWORD kValueSize = 400;
}  // namespace

CNamedColumnMap::CNamedColumnMap() : CMapIStringToOb(10) {
    m_saColumnNames.SetSize(4);
}

std::string CNamedColumnMap::GetColumnName(int index) const {
    if (index < 0 || index >= m_saColumnNames.GetSize()) return std::string();
    return m_saColumnNames.GetAt(index);
}

bool CNamedColumnMap::SetVariable(const char* /*name*/, const char* /*value*/,
                                  const char* /*text2*/) {
    return false;
}

int CNamedColumnMap::LoadSection(const char* section) {
    VSB_SetProfileSection(section != nullptr ? section : "");
    RemoveAll();
    std::vector<char> keys(kKeyListSize);
    if (VSB_GetProfileString(nullptr, "", keys.data(), kKeyListSize) == 0) return 0;

    // The list ends at the first empty name. The profile cuts a long list so
    // that it still ends in two zero bytes; the last byte is forced to zero as
    // well, so no walk can run past the buffer whatever the profile wrote.
    keys.back() = '\0';
    std::vector<char> value(kValueSize);
    const char* end = keys.data() + keys.size();
    for (const char* key = keys.data(); key < end && *key != '\0';
         key += std::string_view(key).size() + 1) {
        if (VSB_GetProfileString(key, "", value.data(), kValueSize) != 0)
            SetVariable(key, value.data(), nullptr);
    }
    return static_cast<int>(GetCount());
}

bool CNamedColumnMap::SaveSection(const char* section) {
    VSB_SetProfileSection(section != nullptr ? section : "");
    VSB_WriteProfileString(nullptr, nullptr);
    bool all_written = true;
    POSITION position = GetStartPosition();
    while (position != nullptr) {
        std::string name;
        CObject* object = nullptr;
        GetNextAssoc(position, name, object);
        const auto* variable = dynamic_cast<const CEntry*>(object);
        const std::string value = variable != nullptr ? variable->GetFieldText(0) : std::string();
        if (VSB_WriteProfileString(name.c_str(), value.c_str()) == 0) all_written = false;
    }
    return all_written;
}

int CNamedColumnMap::SetColumnName(int index, const std::string& name) {
    return SetColumnName(index, name.c_str());
}

int CNamedColumnMap::SetColumnName(int index, const char* name) {
    if (index < 0) return 0;
    m_saColumnNames.SetAtGrow(index, name != nullptr ? name : "");
    if (m_nColumnCount < index + 1) m_nColumnCount = index + 1;
    return m_nColumnCount;
}

CEntry* CNamedColumnMap::FindEntry(const char* text, int column) const {
    const char* wanted = text != nullptr ? text : "";
    POSITION position = GetStartPosition();
    while (position != nullptr) {
        std::string name;
        CObject* object = nullptr;
        GetNextAssoc(position, name, object);
        auto* entry = dynamic_cast<CEntry*>(object);
        if (entry != nullptr && _mbsicmp(entry->GetColumnText(column).c_str(), wanted) == 0)
            return entry;
    }
    return nullptr;
}
