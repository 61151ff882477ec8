#include "db/validation.h"

#include <algorithm>
#include <string_view>

#include "db/condition_syntax.h"
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

// A decimal integer (an optional '-') between `low` and `high`; `error` says
// which end it missed, or OVERFLOW for text that is no number.
bool IsIntegerText(const std::string& s, int64_t low, int64_t high, int& error) {
    const size_t digits = !s.empty() && s[0] == '-' ? 1 : 0;
    error = MSIDBERROR_OVERFLOW;
    if (s.size() == digits || s.size() - digits > 10 ||
        !std::all_of(s.begin() + static_cast<std::ptrdiff_t>(digits), s.end(), IsDigit))
        return false;
    const int64_t value = std::stoll(s);
    if (value < low) error = MSIDBERROR_UNDERFLOW;
    return value >= low && value <= high;
}

// Characters no file name may hold; a short (8.3) name refuses more.
constexpr std::string_view kNotInLongName = "\\?|><:/*\"";
constexpr std::string_view kNotInShortName = "\\?|><:/*\"+,;=[] ";

bool HasAny(std::string_view s, std::string_view characters) {
    return s.find_first_of(characters) != std::string_view::npos;
}

// A short name: a stem of 1 to 8 and an extension of up to 3 characters.
// `wildcards` lets '*' and '?' stand in them.
bool IsShortName(std::string_view s, bool wildcards) {
    std::string refused(kNotInShortName);
    if (wildcards) std::erase_if(refused, [](char c) { return c == '*' || c == '?'; });
    const size_t dot = s.find('.');
    const size_t stem = dot == std::string_view::npos ? s.size() : dot;
    const size_t extension = dot == std::string_view::npos ? 0 : s.size() - dot - 1;
    return stem >= 1 && stem <= 8 && extension <= 3 && !HasAny(s, refused) &&
           (dot == std::string_view::npos || s.find('.', dot + 1) == std::string_view::npos);
}

bool IsLongName(std::string_view s, bool wildcards) {
    std::string refused(kNotInLongName);
    if (wildcards) std::erase_if(refused, [](char c) { return c == '*' || c == '?'; });
    return !s.empty() && s.size() <= 255 && !HasAny(s, refused) &&
           s.find_first_not_of('.') != std::string_view::npos;
}

// "short|long", or one name. A name alone is held to the long-name rules:
// packages name files that way and the installer then uses it for both.
bool IsFilename(std::string_view s, bool wildcards) {
    const size_t bar = s.find('|');
    if (bar == std::string_view::npos) return IsLongName(s, wildcards);
    return IsShortName(s.substr(0, bar), wildcards) && IsLongName(s.substr(bar + 1), wildcards);
}

// A path may hold property references in brackets, but none of the
// characters that no name in it may hold.
bool IsPath(std::string_view s) {
    return !s.empty() && !HasAny(s, "<>\"|?*");
}

// A full or relative path, or a file name in the "short|long" form.
bool IsAnyPath(std::string_view s) {
    return s.find('|') != std::string_view::npos ? IsFilename(s, false) : IsPath(s);
}

// "target" or "target:source", each "." or a file name.
bool IsDefaultDir(const std::string& s) {
    const auto parts = Split(s, ':');
    return parts.size() <= 2 && std::all_of(parts.begin(), parts.end(), [](const std::string& p) {
               return p == "." || IsFilename(p, false);
           });
}

// Every '[' is closed by a ']' (brackets nest: "[[Name]]"); "[\x]" is
// the character x.
bool IsFormatted(std::string_view s) {
    int depth = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '[') {
            if (i + 3 < s.size() && s[i + 1] == '\\' && s[i + 3] == ']') {
                i += 3;
                continue;
            }
            ++depth;
        } else if (s[i] == ']' && depth > 0) {
            --depth;
        }
    }
    return depth == 0;
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
    if (category == "Integer" || category == "DoubleInteger" || category == "Time/Date") {
        const bool short_integer = category == "Integer";
        int kind = 0;
        const bool fits = IsIntegerText(text, short_integer ? INT16_MIN : INT32_MIN,
                                        short_integer ? INT16_MAX : INT32_MAX, kind);
        return verdict(fits, kind);
    }
    if (category == "Identifier") return verdict(IsIdentifier(text), MSIDBERROR_BADIDENTIFIER);
    if (category == "Property")
        return verdict(IsIdentifier(std::string_view(text).substr(!text.empty() && text[0] == '%')),
                       MSIDBERROR_BADPROPERTY);
    // "Guid" is how the installer's own schema spells it.
    if (category == "Guid" || category == "GUID") return verdict(IsGuid(text), MSIDBERROR_BADGUID);
    if (category == "Version") return verdict(IsVersion(text), MSIDBERROR_BADVERSION);
    if (category == "Language") return verdict(IsLanguageList(text), MSIDBERROR_BADLANGUAGE);
    if (category == "Cabinet") return verdict(IsCabinet(text), MSIDBERROR_BADCABINET);
    if (category == "Filename") return verdict(IsFilename(text, false), MSIDBERROR_BADFILENAME);
    if (category == "WildCardFilename")
        return verdict(IsFilename(text, true), MSIDBERROR_BADWILDCARD);
    if (category == "Path") return verdict(IsPath(text), MSIDBERROR_BADPATH);
    if (category == "Paths") {
        const auto paths = Split(text, ';');
        return verdict(
            std::all_of(paths.begin(), paths.end(), [](const std::string& p) { return IsPath(p); }),
            MSIDBERROR_BADPATH);
    }
    if (category == "AnyPath") return verdict(IsAnyPath(text), MSIDBERROR_BADPATH);
    if (category == "DefaultDir") return verdict(IsDefaultDir(text), MSIDBERROR_BADDEFAULTDIR);
    // A key under a root that the Root column names, so never "\...".
    if (category == "RegPath")
        return verdict(!text.empty() && text[0] != '\\' && IsFormatted(text),
                       MSIDBERROR_BADREGPATH);
    // The security descriptor inside FormattedSDDLText is the installer's to
    // read at install time; its formatting is what a row can get wrong.
    if (category == "Formatted" || category == "KeyFormatted" || category == "FormattedSDDLText")
        return verdict(IsFormatted(text), MSIDBERROR_BADFORMATTED);
    if (category == "Template") return verdict(IsFormatted(text), MSIDBERROR_BADTEMPLATE);
    // A key of the Binary, Directory, File or Property table.
    if (category == "CustomSource") return verdict(IsIdentifier(text), MSIDBERROR_BADCUSTOMSOURCE);
    // A Feature key, or formatted text naming the target ("[#File]").
    if (category == "Shortcut")
        return verdict(text.starts_with('[') ? IsFormatted(text) : IsIdentifier(text),
                       MSIDBERROR_BADSHORTCUT);
    if (category == "Condition") return verdict(IsConditionSyntax(text), MSIDBERROR_BADCONDITION);
    if (category == "URL") return CategoryCheck::kNotBuilt;
    return CategoryCheck::kUnknown;
}

// Whether a Category fits a column of this type; the ones for numbers fit
// only integer columns, Binary only binary ones, the rest only strings. An
// unknown Category is no type's: VALIDATE reports it on every value instead.
bool CategoryFitsType(const std::string& category, ColumnType type) {
    if (category.empty()) return true;
    const bool numeric =
        category == "Integer" || category == "DoubleInteger" || category == "Time/Date";
    if (type.IsInteger()) return numeric;
    if (type.IsBinary()) return category == "Binary";
    return !numeric && category != "Binary";
}

std::string TypeName(ColumnType type) {
    if (type.IsBinary()) return "binary";
    if (type.IsInteger()) return type.IsLongInteger() ? "long integer" : "short integer";
    return "string";
}

}  // namespace

Status CheckRules(Database& db, std::vector<RuleFinding>& out) {
    using Fault = RuleFinding::Fault;
    if (!db.HasTable(kValidationTable)) {
        out.push_back({Fault::kNoValidationTable, kValidationTable, {}, {}});
        return Status::Ok();
    }
    auto rules = db.GetTable(kValidationTable);
    if (!rules.ok()) return rules.status();
    const TableSchema& schema = (*rules)->schema();
    const auto t = schema.FindColumn("Table"), c = schema.FindColumn("Column"),
               category = schema.FindColumn("Category");
    if (!t || !c) return Status::Corrupt("_Validation has no Table or Column column");
    auto text = [&](const Row& row, size_t column) -> std::string {
        const uint32_t cell = row.cells[column];
        if (cell == 0 || !schema.columns[column].type.IsString()) return std::string();
        auto value = db.Text(cell);
        return value.ok() ? std::move(value).value() : std::string();
    };
    std::set<std::pair<std::string, std::string>> described;
    std::map<std::string, size_t> unknown_tables;  // name -> rows naming it
    for (const auto& row : (*rules)->rows()) {
        const std::string table_name = text(*row, *t), column_name = text(*row, *c);
        described.insert({table_name, column_name});
        const TableSchema* table = IsSystemTable(table_name) ? nullptr : db.Schema(table_name);
        if (!table) {
            ++unknown_tables[table_name];
            continue;
        }
        const auto at = table->FindColumn(column_name);
        if (!at) {
            out.push_back({Fault::kUnknownColumn, table_name, column_name, {}});
            continue;
        }
        const std::string kind = category ? text(*row, *category) : std::string();
        const ColumnType type = table->columns[*at].type;
        if (!CategoryFitsType(kind, type))
            out.push_back({Fault::kTypeMismatch, table_name, column_name,
                           "Category " + kind + " on a " + TypeName(type) + " column"});
    }
    for (const auto& [name, count] : unknown_tables)
        out.push_back({Fault::kUnknownTable, name, {}, std::to_string(count)});
    for (const std::string& name : db.TableNames()) {
        if (IsSystemTable(name)) continue;
        const TableSchema* table = db.Schema(name);
        if (!table) continue;
        for (const ColumnSchema& column : table->columns)
            if (!described.count({name, column.name}))
                out.push_back({Fault::kNoRule, name, column.name, {}});
    }
    return Status::Ok();
}

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
            rule.key_tables = Split(rule.key_table, ';');
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

Result<const std::unordered_set<std::string>*> Validator::LinkKeys(const std::string& name,
                                                                   size_t column) const {
    auto [at, made] = link_keys_.try_emplace({name, column});
    if (made) {
        auto table = db_->GetTable(name);
        if (!table.ok()) {
            link_keys_.erase(at);
            return table.status();
        }
        for (const auto& row : (*table)->rows())
            at->second.insert(CellText(**table, column, row->cells[column]));
    }
    return &at->second;
}

Result<int> Validator::CheckLink(const std::string& text, const Rule& rule) const {
    bool any_table = false;
    for (const std::string& name : rule.key_tables) {
        if (!db_->HasTable(name) || IsSystemTable(name)) continue;
        auto table = db_->GetTable(name);
        if (!table.ok()) return table.status();
        any_table = true;
        if (!rule.key_column || *rule.key_column < 1) continue;
        const size_t column = static_cast<size_t>(*rule.key_column - 1);
        if (column >= (*table)->schema().columns.size()) continue;
        auto keys = LinkKeys(name, column);
        if (!keys.ok()) return keys.status();
        if ((*keys)->count(text) != 0) return MSIDBERROR_NOERROR;
    }
    return any_table ? MSIDBERROR_BADLINK : MSIDBERROR_BADKEYTABLE;
}

Result<int> Validator::CheckValue(size_t c, uint32_t cell, const Rule& rule, bool foreign_keys,
                                  std::set<std::string>& unchecked) const {
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
        unchecked.insert("MinValue/MaxValue of a string column");  // dates, versions
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
                // A version column with a KeyTable (File.Version) holds a
                // version, or the key of the row it takes its version from.
                if (error == MSIDBERROR_BADVERSION && !rule.key_table.empty())
                    return foreign_keys ? CheckLink(text, rule) : MSIDBERROR_NOERROR;
                if (error != MSIDBERROR_NOERROR) return error;
                if (rule.category == "Version") return MSIDBERROR_NOERROR;
                break;
            case CategoryCheck::kNotBuilt:
                unchecked.insert("Category " + rule.category);
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
    std::set<std::string> unchecked;
    const auto& columns = table_->schema().columns;
    for (size_t c = 0; c < columns.size(); ++c) {
        if (!checked[c]) continue;
        auto error = CheckValue(c, row.cells[c], rules_[c], foreign_keys, unchecked);
        if (!error.ok()) return error.status();
        if (*error != MSIDBERROR_NOERROR) out.push_back({*error, columns[c].name});
    }
    if (!unchecked.empty()) return Status::NotImplemented(*unchecked.begin() + " is not checked");
    return Status::Ok();
}

Status Validator::CheckTable(std::vector<RowFinding>& out, std::set<std::string>& unchecked) const {
    const TableSchema& schema = table_->schema();
    for (const auto& row : table_->rows()) {
        for (size_t c = 0; c < schema.columns.size(); ++c) {
            auto error = CheckValue(c, row->cells[c], rules_[c], true, unchecked);
            if (!error.ok()) return error.status();
            if (*error == MSIDBERROR_NOERROR) continue;
            RowFinding finding{*error, schema.columns[c].name, {}, {}};
            for (size_t k = 0; k < schema.KeyCount(); ++k)
                finding.key.push_back(CellText(*table_, k, row->cells[k]));
            finding.value = CellText(*table_, c, row->cells[c]);
            out.push_back(std::move(finding));
        }
    }
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
