#include "info_output.h"

#include <ostream>

#include "code_page_names.h"
#include "json_writer.h"
#include "msi.h"
#include "transform_conditions.h"

namespace tablesmith::cli {

namespace {

using installer::SummaryProperty;

std::string SummaryText(const SummaryProperty& property) {
    return property.id == PID_CODEPAGE
               ? installer::DescribeCodePage(static_cast<unsigned>(property.number))
               : property.text;
}

std::string CabinetText(const CabinetFact& cabinet) {
    std::string text = cabinet.embedded ? "embedded" : "external";
    return text + (cabinet.missing ? ", missing" : ", " + std::to_string(cabinet.size) + " bytes");
}

void WriteRows(const FileFacts& facts, ::cli::OutputFormat format, std::ostream& out) {
    ::cli::RowWriter writer(format, {"Section", "Name", "Value"}, out);
    const bool package = facts.kind != FileFacts::Kind::kTransform;
    const auto& summary = package ? facts.package.summary : facts.transform.summary;
    for (const SummaryProperty& property : summary)
        writer.Add({"summary", property.name, SummaryText(property)});
    if (package) {
        const PackageFacts& p = facts.package;
        writer.Add({"database", "CodePage", installer::DescribeCodePage(p.code_page)});
        writer.Add({"database", "Tables", std::to_string(p.tables)});
        writer.Add({"database", "Rows", std::to_string(p.rows)});
        for (const auto& [name, value] : p.properties) writer.Add({"property", name, value});
        for (const CabinetFact& cabinet : p.cabinets)
            writer.Add({"cabinet", cabinet.name, CabinetText(cabinet)});
        if (facts.kind == FileFacts::Kind::kPatch) {
            writer.Add({"patch", "PatchCode", facts.patch.patch_code});
            std::string targets;
            for (const std::string& target : facts.patch.targets)
                targets += (targets.empty() ? "" : ";") + target;
            writer.Add({"patch", "Targets", targets});
            for (const PatchPairFact& pair : facts.patch.pairs)
                writer.Add({"pair", pair.name,
                            pair.target_product_code + " " + pair.target_version + " to " +
                                pair.upgraded_version});
        }
    } else {
        const TransformFacts& t = facts.transform;
        writer.Add({"transform", "TargetProductCode", t.target_product_code});
        writer.Add({"transform", "TargetVersion", t.target_version});
        writer.Add({"transform", "UpgradedProductCode", t.upgraded_product_code});
        writer.Add({"transform", "UpgradedVersion", t.upgraded_version});
        writer.Add({"transform", "UpgradeCode", t.upgrade_code});
        writer.Add({"transform", "Validation",
                    installer::JoinWords(installer::ValidationFlagWords(t.validation))});
        writer.Add({"transform", "ErrorConditions",
                    installer::JoinWords(installer::ErrorConditionWords(t.error_conditions))});
        for (const TransformTableFact& table : t.tables)
            writer.Add({"table", table.table, table.change});
    }
    writer.Finish();
}

void WriteJsonSummary(::cli::JsonWriter& json, const std::vector<SummaryProperty>& summary) {
    json.Key("summary");
    json.BeginObject();
    for (const SummaryProperty& property : summary) {
        json.Key(property.name);
        if (property.type == SummaryProperty::Type::kInteger)
            json.Number(property.number);
        else
            json.String(property.text);
        if (property.id == PID_CODEPAGE)
            json.Field("CodepageName",
                       installer::CodePageName(static_cast<unsigned>(property.number)));
    }
    json.EndObject();
}

void WriteWords(::cli::JsonWriter& json, const char* key, unsigned value,
                const std::vector<std::string>& words) {
    json.Key(key);
    json.BeginObject();
    json.Key("value");
    json.Number(value);
    json.Key("words");
    json.BeginArray();
    for (const std::string& word : words) json.String(word);
    json.EndArray();
    json.EndObject();
}

void WriteJson(const FileFacts& facts, const std::string& path, std::ostream& out) {
    ::cli::JsonWriter json(out);
    json.BeginObject();
    json.Field("file", path);
    const bool package = facts.kind != FileFacts::Kind::kTransform;
    json.Field("kind", facts.kind == FileFacts::Kind::kPackage ? "package"
                       : facts.kind == FileFacts::Kind::kPatch ? "patch"
                                                               : "transform");
    if (package) {
        const PackageFacts& p = facts.package;
        WriteJsonSummary(json, p.summary);
        json.Key("codePage");
        json.Number(p.code_page);
        json.Field("codePageName", installer::CodePageName(p.code_page));
        json.Key("properties");
        json.BeginObject();
        for (const auto& [name, value] : p.properties) json.Field(name, value);
        json.EndObject();
        json.Key("tables");
        json.Number(static_cast<long long>(p.tables));
        json.Key("rows");
        json.Number(static_cast<long long>(p.rows));
        json.Key("cabinets");
        json.BeginArray();
        for (const CabinetFact& cabinet : p.cabinets) {
            json.BeginObject();
            json.Field("name", cabinet.name);
            json.Key("embedded");
            json.Bool(cabinet.embedded);
            json.Key("missing");
            json.Bool(cabinet.missing);
            json.Key("size");
            if (cabinet.missing)
                json.Null();
            else
                json.Number(static_cast<long long>(cabinet.size));
            json.EndObject();
        }
        json.EndArray();
        if (facts.kind == FileFacts::Kind::kPatch) {
            json.Field("patchCode", facts.patch.patch_code);
            json.Key("targets");
            json.BeginArray();
            for (const std::string& target : facts.patch.targets) json.String(target);
            json.EndArray();
            json.Key("pairs");
            json.BeginArray();
            for (const PatchPairFact& pair : facts.patch.pairs) {
                json.BeginObject();
                json.Field("name", pair.name);
                json.Field("targetProductCode", pair.target_product_code);
                json.Field("targetVersion", pair.target_version);
                json.Field("upgradedVersion", pair.upgraded_version);
                json.EndObject();
            }
            json.EndArray();
        }
    } else {
        const TransformFacts& t = facts.transform;
        WriteJsonSummary(json, t.summary);
        json.Field("targetProductCode", t.target_product_code);
        json.Field("targetVersion", t.target_version);
        json.Field("upgradedProductCode", t.upgraded_product_code);
        json.Field("upgradedVersion", t.upgraded_version);
        json.Field("upgradeCode", t.upgrade_code);
        WriteWords(json, "validation", t.validation, installer::ValidationFlagWords(t.validation));
        WriteWords(json, "errorConditions", t.error_conditions,
                   installer::ErrorConditionWords(t.error_conditions));
        json.Key("tables");
        json.BeginArray();
        for (const TransformTableFact& table : t.tables) {
            json.BeginObject();
            json.Field("name", table.table);
            json.Field("change", table.change);
            json.EndObject();
        }
        json.EndArray();
    }
    json.EndObject();
    json.Finish();
}

}  // namespace

void WriteFileFacts(const FileFacts& facts, const std::string& path, ::cli::OutputFormat format,
                    std::ostream& out) {
    if (format == ::cli::OutputFormat::kJson)
        WriteJson(facts, path, out);
    else
        WriteRows(facts, format, out);
}

}  // namespace tablesmith::cli
