#include "db/validation.h"

#include <algorithm>
#include <string_view>

#include "db/record.h"
#include "msiquery.h"

namespace msi::db {

using format::ColumnType;

namespace {

constexpr const char* kValidationTable = "_Validation";

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Letters, digits, '_' and '.', starting with a letter or '_'.
bool IsIdentifier(std::string_view s) {
    if (s.empty() || !(IsLetter(s[0]) || s[0] == '_')) return false;
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c == '.'; });
}

// Decimal digits only, at most 65535.
bool IsWord(std::string_view s) {
    if (s.empty() || s.size() > 5 || !std::all_of(s.begin(), s.end(), IsDigit)) return false;
    return std::stoul(std::string(s)) <= 65535;
}

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, hexadecimal in upper case.
bool IsGuid(std::string_view s) {
    if (s.size() != 38 || s.front() != '{' || s.back() != '}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        const char c = s[i];
        if (dash ? c != '-' : !(IsDigit(c) || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

// One to four fields of at most 65535, separated by '.'.
bool IsVersion(const std::string& s) {
    const auto parts = Split(s, '.');
    return parts.size() <= 4 &&
           std::all_of(parts.begin(), parts.end(), [](const std::string& p) { return IsWord(p); });
}

// Decimal language ids separated by ','.
bool IsLanguageList(const std::string& s) {
    const auto parts = Split(s, ',');
    return std::all_of(parts.begin(), parts.end(), [](const std::string& p) { return IsWord(p); });
}

// "#" and a stream name, or a short file name (8.3).
bool IsCabinet(const std::string& s) {
    if (!s.empty() && s[0] == '#') return IsIdentifier(std::string_view(s).substr(1));
    const size_t dot = s.rfind('.');
    const size_t stem = dot == std::string::npos ? s.size() : dot;
    const size_t extension = dot == std::string::npos ? 0 : s.size() - dot - 1;
    return stem >= 1 && stem <= 8 && extension <= 3 &&
           s.find_first_of("\\/:*?\"<>|+,;=[] ") == std::string::npos;
}

// Characters, not bytes: the widths of string columns count characters.
size_t CharacterCount(const std::string& s) {
    return static_cast<size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

enum class CategoryCheck { kBuilt, kNotBuilt, kUnknown };

// Checks `text` against a Category; `error` is the finding when it fails.
CategoryCheck CheckCategory(const std::string& category, const std::string& text, int& error) {
    error = MSIDBERROR_NOERROR;
    auto verdict = [&](bool ok, int kind) {
        if (!ok) error = kind;
        return CategoryCheck::kBuilt;
    };
    if (category == "Text" || category == "Binary") return CategoryCheck::kBuilt;
    if (category == "UpperCase")
        return verdict(
            std::none_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; }),
            MSIDBERROR_BADCASE);
    if (category == "LowerCase")
        return verdict(
            std::none_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; }),
            MSIDBERROR_BADCASE);
    if (category == "Identifier") return verdict(IsIdentifier(text), MSIDBERROR_BADIDENTIFIER);
    if (category == "Property")
        return verdict(IsIdentifier(std::string_view(text).substr(!text.empty() && text[0] == '%')),
                       MSIDBERROR_BADPROPERTY);
    if (category == "GUID") return verdict(IsGuid(text), MSIDBERROR_BADGUID);
    if (category == "Version") return verdict(IsVersion(text), MSIDBERROR_BADVERSION);
    if (category == "Language") return verdict(IsLanguageList(text), MSIDBERROR_BADLANGUAGE);
    if (category == "Cabinet") return verdict(IsCabinet(text), MSIDBERROR_BADCABINET);
    static const char* const kNotBuilt[] = {"Integer",      "DoubleInteger",    "Time/Date",
                                            "Filename",     "WildCardFilename", "Path",
                                            "Paths",        "AnyPath",          "DefaultDir",
                                            "RegPath",      "Formatted",        "FormattedSDDLText",
                                            "KeyFormatted", "Template",         "Condition",
                                            "CustomSource", "Shortcut",         "URL"};
    for (const char* name : kNotBuilt)
        if (category == name) return CategoryCheck::kNotBuilt;
    return CategoryCheck::kUnknown;
}

}  // namespace

Result<Validator> Validator::For(Database& db, const Table& table) {
    Validator v(db, table);
    const auto& columns = table.schema().columns;
    v.rules_.resize(columns.size());
    if (!db.HasTable(kValidationTable)) return v;
    auto rules = db.GetTable(kValidationTable);
    if (!rules.ok()) return rules.status();
    const TableSchema& schema = (*rules)->schema();
    auto index = [&](const char* name) { return schema.FindColumn(name); };
    const auto t = index("Table"), c = index("Column"), nullable = index("Nullable"),
               min = index("MinValue"), max = index("MaxValue"), key_table = index("KeyTable"),
               key_column = index("KeyColumn"), category = index("Category"), set = index("Set");
    if (!t || !c) return Status::Corrupt("_Validation has no Table or Column column");
    auto text = [&](const Row& row, const std::optional<size_t>& column) {
        return column ? v.CellText(**rules, *column, row.cells[*column]) : std::string();
    };
    auto integer = [&](const Row& row,
                       const std::optional<size_t>& column) -> std::optional<int32_t> {
        if (!column || v.IsNull(**rules, *column, row.cells[*column])) return std::nullopt;
        int32_t value = 0;
        if (!ParseRecordInteger(text(row, column), value)) return std::nullopt;
        return value;
    };
    for (const auto& row : (*rules)->rows()) {
        const std::string table_name = text(*row, t);
        const std::string column_name = text(*row, c);
        if (table_name == table.schema().name) {
            auto at = table.schema().FindColumn(column_name);
            if (!at) continue;
            Rule& rule = v.rules_[*at];
            rule.present = true;
            rule.nullable = text(*row, nullable) == "Y";
            rule.min = integer(*row, min);
            rule.max = integer(*row, max);
            rule.key_table = text(*row, key_table);
            rule.key_column = integer(*row, key_column);
            rule.category = text(*row, category);
            rule.set = text(*row, set);
        }
        // A rule naming this table alone as its KeyTable makes that column
        // refer to one of our key columns.
        if (text(*row, key_table) == table.schema().name) {
            auto k = integer(*row, key_column);
            if (k && *k >= 1 && static_cast<size_t>(*k) <= table.schema().KeyCount())
                v.references_.push_back({table_name, column_name, static_cast<size_t>(*k - 1)});
        }
    }
    return v;
}

bool Validator::IsNull(const Table& table, size_t c, uint32_t cell) const {
    return table.schema().columns[c].type.IsInteger()
               ? static_cast<int32_t>(cell) == Record::kNullInteger
               : cell == 0;
}

std::string Validator::CellText(const Table& table, size_t c, uint32_t cell) const {
    if (IsNull(table, c, cell)) return std::string();
    const ColumnType type = table.schema().columns[c].type;
    if (type.IsInteger()) return std::to_string(static_cast<int32_t>(cell));
    if (type.IsBinary()) return std::string();
    auto text = db_->Text(cell);
    return text.ok() ? std::move(text).value() : std::string();
}

Result<int> Validator::CheckLink(const std::string& text, const Rule& rule) const {
    bool any_table = false;
    for (const std::string& name : Split(rule.key_table, ';')) {
        if (!db_->HasTable(name) || IsSystemTable(name)) continue;
        auto table = db_->GetTable(name);
        if (!table.ok()) return table.status();
        any_table = true;
        if (!rule.key_column || *rule.key_column < 1) continue;
        const size_t column = static_cast<size_t>(*rule.key_column - 1);
        if (column >= (*table)->schema().columns.size()) continue;
        for (const auto& row : (*table)->rows())
            if (CellText(**table, column, row->cells[column]) == text) return MSIDBERROR_NOERROR;
    }
    return any_table ? MSIDBERROR_BADLINK : MSIDBERROR_BADKEYTABLE;
}

Result<int> Validator::CheckValue(size_t c, uint32_t cell, const Rule& rule, bool foreign_keys,
                                  bool& unchecked) const {
    const ColumnType type = table_->schema().columns[c].type;
    if (!rule.present) return MSIDBERROR_MISSINGDATA;
    if (IsNull(*table_, c, cell)) return rule.nullable ? MSIDBERROR_NOERROR : MSIDBERROR_REQUIRED;
    const std::string text = CellText(*table_, c, cell);
    if (type.IsString() && type.Width() != 0 && CharacterCount(text) > type.Width())
        return MSIDBERROR_STRINGOVERFLOW;
    if (rule.min && rule.max && *rule.max < *rule.min) return MSIDBERROR_BADMAXMINVALUES;
    if (type.IsInteger()) {
        const int32_t value = static_cast<int32_t>(cell);
        if (rule.min && value < *rule.min) return MSIDBERROR_UNDERFLOW;
        if (rule.max && value > *rule.max) return MSIDBERROR_OVERFLOW;
    } else if (rule.min || rule.max) {
        unchecked = true;  // ranges of dates or versions in strings
    }
    if (!rule.set.empty()) {
        const auto members = Split(rule.set, ';');
        if (std::find(members.begin(), members.end(), text) == members.end())
            return MSIDBERROR_NOTINSET;
    }
    if (!type.IsInteger() && !rule.category.empty()) {
        int error = MSIDBERROR_NOERROR;
        switch (CheckCategory(rule.category, text, error)) {
            case CategoryCheck::kBuilt:
                if (error != MSIDBERROR_NOERROR) return error;
                break;
            case CategoryCheck::kNotBuilt:
                unchecked = true;
                break;
            case CategoryCheck::kUnknown:
                return MSIDBERROR_BADCATEGORY;
        }
    }
    if (foreign_keys && !rule.key_table.empty()) return CheckLink(text, rule);
    return MSIDBERROR_NOERROR;
}

Status Validator::CheckRow(const Row& row, const std::vector<bool>& checked, bool foreign_keys,
                           std::vector<ValidationFinding>& out) const {
    bool unchecked = false;
    const auto& columns = table_->schema().columns;
    for (size_t c = 0; c < columns.size(); ++c) {
        if (!checked[c]) continue;
        auto error = CheckValue(c, row.cells[c], rules_[c], foreign_keys, unchecked);
        if (!error.ok()) return error.status();
        if (*error != MSIDBERROR_NOERROR) out.push_back({*error, columns[c].name});
    }
    if (unchecked) return Status::NotImplemented("a value's category is not checked here");
    return Status::Ok();
}

Status Validator::CheckUnreferenced(const Row& row, std::vector<ValidationFinding>& out) const {
    for (const Reference& ref : references_) {
        if (!db_->HasTable(ref.table) || IsSystemTable(ref.table)) continue;
        auto table = db_->GetTable(ref.table);
        if (!table.ok()) return table.status();
        auto column = (*table)->schema().FindColumn(ref.column);
        if (!column) continue;
        if (IsNull(*table_, ref.key, row.cells[ref.key])) continue;
        const std::string key = CellText(*table_, ref.key, row.cells[ref.key]);
        const std::string& key_name = table_->schema().columns[ref.key].name;
        for (const auto& other : (*table)->rows()) {
            // A row naming itself (a root Directory is its own parent) does
            // not keep itself alive.
            if (other.get() == &row) continue;
            if (CellText(**table, *column, other->cells[*column]) != key) continue;
            const bool listed = std::any_of(out.begin(), out.end(),
                                            [&](const auto& f) { return f.column == key_name; });
            if (!listed) out.push_back({MSIDBERROR_REQUIRED, key_name});
            break;
        }
    }
    return Status::Ok();
}

}  // namespace msi::db
