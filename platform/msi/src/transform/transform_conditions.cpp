#include "transform/transform_conditions.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <variant>

#include "db/summary_info.h"
#include "transform/transform_summary.h"

namespace msi::transform {

namespace {

std::string Text(const format::SummaryPropertySet& set, uint32_t pid) {
    auto it = set.properties.find(pid);
    if (it == set.properties.end()) return {};
    const auto* text = std::get_if<std::string>(&it->second);
    return text ? *text : std::string();
}

int Number(const format::SummaryPropertySet& set, uint32_t pid) {
    auto it = set.properties.find(pid);
    if (it == set.properties.end()) return 0;
    if (const auto* i4 = std::get_if<int32_t>(&it->second)) return *i4;
    if (const auto* i2 = std::get_if<int16_t>(&it->second)) return *i2;
    return 0;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// "{GUID}1.2.3" into the code (braces kept) and the version after it.
void SplitCodeAndVersion(const std::string& text, std::string& code, std::string& version) {
    const size_t close = text.find('}');
    if (text.empty() || text[0] != '{' || close == std::string::npos) {
        code = text;
        version.clear();
        return;
    }
    code = text.substr(0, close + 1);
    version = text.substr(close + 1);
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The first `fields` numbers of a dotted version; missing ones count as 0.
std::vector<long> VersionFields(const std::string& version, size_t fields) {
    std::vector<long> numbers(fields, 0);
    const auto parts = Split(version, '.');
    for (size_t i = 0; i < fields && i < parts.size(); ++i)
        numbers[i] = std::strtol(parts[i].c_str(), nullptr, 10);
    return numbers;
}

std::string JoinFields(const std::vector<long>& numbers) {
    std::string text;
    for (long n : numbers) text += (text.empty() ? "" : ".") + std::to_string(n);
    return text;
}

// How many fields of the version the flags compare (0: none).
size_t ComparedFields(int validation) {
    if (validation & kValidateUpdateVersion) return 3;
    if (validation & kValidateMinorVersion) return 2;
    if (validation & kValidateMajorVersion) return 1;
    return 0;
}

// The relation the package's version must bear to the base version, as an
// operator; "=" when the flags name none, as a bare version check means.
std::string Relation(int validation) {
    if (validation & kValidateNewLessBase) return "<";
    if (validation & kValidateNewLessEqualBase) return "<=";
    if (validation & kValidateNewGreaterEqualBase) return ">=";
    if (validation & kValidateNewGreaterBase) return ">";
    return "=";
}

bool Holds(const std::string& relation, int order) {
    if (relation == "<") return order < 0;
    if (relation == "<=") return order <= 0;
    if (relation == ">=") return order >= 0;
    if (relation == ">") return order > 0;
    return order == 0;
}

std::string PackagePlatform(db::Database& db) {
    const std::string tmpl = Text(ReadSummary(db), format::kPidTemplate);
    return tmpl.substr(0, tmpl.find(';'));
}

}  // namespace

TransformConditions ParseConditions(const format::SummaryPropertySet& summary) {
    TransformConditions conditions;
    const std::string tmpl = Text(summary, format::kPidTemplate);
    const size_t semicolon = tmpl.find(';');
    conditions.base_platform = tmpl.substr(0, semicolon);
    if (semicolon != std::string::npos && semicolon + 1 < tmpl.size())
        conditions.base_languages = Split(tmpl.substr(semicolon + 1), ',');
    const auto revision = Split(Text(summary, format::kPidRevisionNumber), ';');
    if (revision.size() > 0)
        SplitCodeAndVersion(revision[0], conditions.base_product_code, conditions.base_version);
    if (revision.size() > 1)
        SplitCodeAndVersion(revision[1], conditions.new_product_code, conditions.new_version);
    if (revision.size() > 2) conditions.upgrade_code = revision[2];
    const auto flags = static_cast<uint32_t>(Number(summary, format::kPidCharacterCount));
    conditions.validation = static_cast<int>(flags >> 16);
    conditions.error_conditions = static_cast<int>(flags & 0xFFFF);
    return conditions;
}

Result<TransformConditions> ReadConditions(const TransformSource& source) {
    if (!source.HasStream(db::SummaryInfo::kStreamName)) return TransformConditions{};
    auto bytes = source.ReadStream(db::SummaryInfo::kStreamName);
    if (!bytes.ok()) return bytes.status();
    auto set = format::SummaryPropertySet::Decode(*bytes);
    if (!set.ok()) return Status::Corrupt("summary information: " + set.status().message());
    return ParseConditions(*set);
}

std::vector<Mismatch> CheckConditions(db::Database& db, const TransformConditions& conditions) {
    std::vector<Mismatch> misfits;
    const int flags = conditions.validation;
    if (flags & kValidateProduct) {
        const std::string code = PropertyValue(db, "ProductCode");
        if (!SameText(code, conditions.base_product_code))
            misfits.push_back({"product code", conditions.base_product_code, code});
    }
    if ((flags & kValidateLanguage) && !conditions.base_languages.empty()) {
        const std::string language = PropertyValue(db, "ProductLanguage");
        const auto& wanted = conditions.base_languages;
        if (std::find(wanted.begin(), wanted.end(), language) == wanted.end()) {
            std::string listed;
            for (const auto& one : wanted) listed += (listed.empty() ? "" : ",") + one;
            misfits.push_back({"language", listed, language});
        }
    }
    if ((flags & kValidatePlatform) && !conditions.base_platform.empty()) {
        const std::string platform = PackagePlatform(db);
        if (!SameText(platform, conditions.base_platform))
            misfits.push_back({"platform", conditions.base_platform, platform});
    }
    if (const size_t fields = ComparedFields(flags); fields != 0) {
        const std::string version = PropertyValue(db, "ProductVersion");
        const auto have = VersionFields(version, fields);
        const auto base = VersionFields(conditions.base_version, fields);
        const int order = have < base ? -1 : (have == base ? 0 : 1);
        const std::string relation = Relation(flags);
        if (!Holds(relation, order))
            misfits.push_back({"product version", relation + " " + JoinFields(base), version});
    }
    if (flags & kValidateUpgradeCode) {
        const std::string code = PropertyValue(db, "UpgradeCode");
        if (!SameText(code, conditions.upgrade_code))
            misfits.push_back({"upgrade code", conditions.upgrade_code, code});
    }
    return misfits;
}

}  // namespace msi::transform
