#include "transform/transform_summary.h"

#include <sys/stat.h>

#include "db/summary_info.h"
#include "format/property_set.h"
#include "format/stream_name.h"
#include "storage/compound_writer.h"
#include "storage/stream_reader.h"

namespace msi::transform {

namespace {

constexpr int kValidateUpgradeCode = 0x0800;

std::string StringProperty(const format::SummaryPropertySet& set, uint32_t pid) {
    auto it = set.properties.find(pid);
    if (it == set.properties.end()) return {};
    const auto* text = std::get_if<std::string>(&it->second);
    return text ? *text : std::string();
}

int32_t IntProperty(const format::SummaryPropertySet& set, uint32_t pid) {
    auto it = set.properties.find(pid);
    if (it == set.properties.end()) return 0;
    if (const auto* i4 = std::get_if<int32_t>(&it->second)) return *i4;
    if (const auto* i2 = std::get_if<int16_t>(&it->second)) return *i2;
    return 0;
}

}  // namespace

format::SummaryPropertySet ReadSummary(db::Database& db) {
    auto source = db.streams().Get(db::SummaryInfo::kStreamName);
    if (!source) return {};
    auto bytes = db::ReadAll(*source, 1u << 20);
    if (!bytes.ok()) return {};
    std::vector<uint8_t> raw(bytes->size());
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<uint8_t>((*bytes)[i]);
    auto set = format::SummaryPropertySet::Decode(raw);
    return set.ok() ? std::move(set).value() : format::SummaryPropertySet{};
}

std::vector<std::string> PropertyValues(db::Database& db, std::span<const std::string_view> names) {
    std::vector<std::string> values(names.size());
    const db::TableSchema* schema = db.Schema("Property");
    if (!schema || schema->columns.size() < 2) return values;
    auto table = db.ReadTable("Property");
    if (!table.ok()) return values;
    std::vector<bool> found(names.size(), false);
    for (const auto& row : (*table)->rows()) {
        auto name = db.TextView(row->cells[0]);
        if (!name.ok() || name->empty()) continue;
        for (size_t i = 0; i < names.size(); ++i) {
            if (found[i] || *name != names[i]) continue;
            found[i] = true;
            auto text = db.Text(row->cells[1]);
            if (text.ok()) values[i] = std::move(text).value();
        }
    }
    return values;
}

std::string PropertyValue(db::Database& db, const std::string& name) {
    const std::string_view names[] = {name};
    return std::move(PropertyValues(db, names)[0]);
}

Status WriteTransformSummary(db::Database& changed, db::Database& reference,
                             const std::string& path, int error_conditions, int validation) {
    const std::string_view names[] = {"ProductCode", "ProductVersion", "UpgradeCode"};
    const std::vector<std::string> base_values = PropertyValues(reference, names);
    const std::vector<std::string> new_values = PropertyValues(changed, names);
    const std::string& base_code = base_values[0];
    const std::string& base_version = base_values[1];
    const std::string& new_code = new_values[0];
    const std::string& new_version = new_values[1];
    const std::string& upgrade_code = new_values[2];
    if (base_code.empty() || base_version.empty() || new_code.empty() || new_version.empty())
        return Status::InvalidArgument(
            "ProductCode and ProductVersion are needed in both databases");
    if ((validation & kValidateUpgradeCode) && (upgrade_code.empty() || base_values[2].empty()))
        return Status::InvalidArgument("UpgradeCode is needed to validate it");

    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return Status::NotFound("no transform file " + path);
    auto file = storage::CompoundFile::Open(path);
    if (!file.ok()) return file.status();
    const storage::CompoundFile& cf = **file;
    if (cf.root_clsid() != storage::kTransformClsid)
        return Status::Unsupported(path + " is not a transform");

    const auto base = ReadSummary(reference);
    const auto now = ReadSummary(changed);
    format::SummaryPropertySet set;
    if (auto it = now.properties.find(format::kPidCodepage); it != now.properties.end())
        set.properties[format::kPidCodepage] = it->second;
    set.properties[format::kPidTitle] = StringProperty(now, format::kPidTitle);
    set.properties[format::kPidTemplate] = StringProperty(base, format::kPidTemplate);
    set.properties[format::kPidLastSavedBy] = StringProperty(now, format::kPidTemplate);
    // No blanks, the version right after the GUID, as real transforms have it.
    set.properties[format::kPidRevisionNumber] =
        base_code + base_version + ";" + new_code + new_version + ";" + upgrade_code;
    set.properties[format::kPidPageCount] =
        std::max(IntProperty(base, format::kPidPageCount), IntProperty(now, format::kPidPageCount));
    set.properties[format::kPidCharacterCount] = static_cast<int32_t>(
        (uint32_t(validation & 0xFFFF) << 16) | uint32_t(error_conditions & 0xFFFF));

    // Rewrite the file with the new summary stream in place of any old one.
    storage::CompoundWriter writer;
    writer.SetRootInfo(storage::StorageInfo::Of(cf.entry(storage::CompoundFile::kRootId)));
    auto summary_name = format::EncodeStreamName(db::SummaryInfo::kStreamName, false);
    if (!summary_name.ok()) return summary_name.status();
    for (storage::EntryId child : cf.Children(storage::CompoundFile::kRootId)) {
        const auto& entry = cf.entry(child);
        if (entry.name == *summary_name) continue;
        if (entry.is_storage()) {
            auto copied = writer.CopyStorage(storage::CompoundWriter::kRoot, cf, child);
            if (!copied.ok()) return copied.status();
            continue;
        }
        // Read again while writing, in pieces: the transform is not held whole.
        auto reader = cf.OpenStream(child);
        if (!reader.ok()) return reader.status();
        if (Status s = writer.AddStream(
                storage::CompoundWriter::kRoot, entry.name,
                std::make_unique<storage::StreamRangeSource>(std::move(reader).value()));
            !s.ok())
            return s;
    }
    if (Status s = writer.AddStream(storage::CompoundWriter::kRoot, *summary_name, set.Encode());
        !s.ok())
        return s;
    if (Status s = writer.WriteFile(path); !s.ok()) return Status::Io(s.message());
    return Status::Ok();
}

}  // namespace msi::transform
