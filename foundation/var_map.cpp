#include "var_map.h"

#include <mbstring.h>

#include <vector>

#include "core/archive.h"
#include "double_string.h"
#include "path_functions.h"

IMPLEMENT_SERIAL(CVarMap, CMapIStringToOb, VERSIONABLE_SCHEMA | 1)

namespace {

constexpr const char* kHeading = "$Global_Vars";
// A second text with this mark keeps its variable out of the text form.
constexpr const char* kHiddenMark = "_@";

std::string UpperCase(const std::string& text) {
    std::string upper = text;
    // ASCII letters only, multibyte characters left whole, as the map compares.
    _mbsupr(reinterpret_cast<unsigned char*>(upper.data()));
    return upper;
}

// Cuts "a<TAB>b<TAB>c" into its three parts; false unless there are exactly two tabs.
bool SplitAtTwoTabs(const std::string& line, std::string parts[3]) {
    const size_t first = line.find('\t');
    if (first == std::string::npos) return false;
    const size_t second = line.find('\t', first + 1);
    if (second == std::string::npos || line.find('\t', second + 1) != std::string::npos)
        return false;
    parts[0] = line.substr(0, first);
    parts[1] = line.substr(first + 1, second - first - 1);
    parts[2] = line.substr(second + 1);
    return true;
}

}  // namespace

CVarMap::CVarMap() {
    m_strPrefix = "%";
    m_strSuffix = "%";
}

// The base destructor deletes the variables; the caches go with the members.
CVarMap::~CVarMap() = default;

void CVarMap::RemoveAll() {
    CMapIStringToOb::RemoveAll();
    DropCaches();
}

void CVarMap::DropCaches() {
    m_pLookup.reset();
    m_pSortedList.reset();
}

bool CVarMap::SetVariable(const char* name, const char* value, const char* text2) {
    if (name == nullptr) return false;
    std::string stored = value != nullptr ? value : "";
    if (VSB_IsAbsolutePath(stored)) stored = VSB_StripTrailingBackslash(stored);

    CObject* existing = nullptr;
    if (Lookup(name, existing)) {
        if (!m_bOverwrite) return false;
        RemoveKey(name);
    }
    (*this)[name] = new CDoubleString(stored.c_str(), text2, 0);
    m_pLookup.reset();
    return true;
}

void CVarMap::BuildLookup() {
    DropCaches();
    if (IsEmpty()) return;
    m_pLookup = std::make_unique<std::unordered_map<std::string, std::string>>();
    m_pSortedList = std::make_unique<CSortedEntryList>();
    POSITION position = GetStartPosition();
    while (position != nullptr) {
        std::string name;
        CObject* object = nullptr;
        GetNextAssoc(position, name, object);
        const auto* variable = dynamic_cast<const CEntry*>(object);
        (*m_pLookup)[UpperCase(name)] = variable != nullptr ? variable->GetFieldText(0) : "";
    }
}

void CVarMap::SerializeText(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteString(std::string(kHeading) + "\r\n");
        POSITION position = GetStartPosition();
        while (position != nullptr) {
            std::string name;
            CObject* object = nullptr;
            GetNextAssoc(position, name, object);
            const auto* variable = dynamic_cast<const CEntry*>(object);
            if (variable == nullptr) continue;
            const std::string text2 = variable->GetFieldText(1);
            if (text2.find(kHiddenMark) != std::string::npos) continue;
            ar.WriteString("%" + name + "%\t" + variable->GetFieldText(0) + "\t" + text2 + "\r\n");
        }
        ar.WriteString("\r\n");
        return;
    }

    std::string line;
    bool first = true;
    while (ar.ReadString(line)) {
        // The heading that storing writes is passed over, so that what was
        // stored reads back; anywhere else it ends the list like any line
        // without two tabs.
        if (first && line == kHeading) {
            first = false;
            continue;
        }
        first = false;
        std::string parts[3];
        if (line.empty() || !SplitAtTwoTabs(line, parts)) break;
        std::string name;
        for (char c : parts[0])
            if (c != '%') name += c;
        SetVariable(name.c_str(), parts[1].c_str(), parts[2].c_str());
    }
    DropCaches();
}
