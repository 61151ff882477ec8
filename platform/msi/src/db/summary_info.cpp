#include "db/summary_info.h"

#include <cstring>

#include "db/database.h"

namespace msi::db {

using namespace format;

Result<std::unique_ptr<SummaryInfo>> SummaryInfo::Load(std::shared_ptr<Database> db,
                                                       uint32_t update_count, bool owns_database) {
    std::unique_ptr<SummaryInfo> info(new SummaryInfo());
    info->db_ = std::move(db);
    info->owns_database_ = owns_database;
    info->update_count_ = update_count;
    if (auto source = info->db_->streams().Get(kStreamName)) {
        // The property set is small; a huge stream is a damaged one.
        auto bytes = ReadAll(*source, 1u << 24);
        if (!bytes.ok()) return bytes.status();
        const auto* data = reinterpret_cast<const uint8_t*>(bytes->data());
        auto set = SummaryPropertySet::Decode(std::span<const uint8_t>(data, bytes->size()));
        if (!set.ok()) return set.status();
        info->set_ = std::move(set).value();
    }
    // Properties the installer does not know are kept (and written back) but
    // never shown.
    return info;
}

uint32_t SummaryInfo::TypeOf(uint32_t pid) {
    switch (pid) {
        case kPidCodepage:
            return kVtI2;
        case kPidTitle:
        case kPidSubject:
        case kPidAuthor:
        case kPidKeywords:
        case kPidComments:
        case kPidTemplate:
        case kPidLastSavedBy:
        case kPidRevisionNumber:
        case kPidCreatingApplication:
            return kVtLpstr;
        case 10:  // edit time
        case kPidLastPrinted:
        case kPidCreateTime:
        case kPidLastSaveTime:
            return kVtFiletime;
        case kPidPageCount:
        case kPidWordCount:
        case kPidCharacterCount:
        case kPidSecurity:
            return kVtI4;
        default:
            return kVtEmpty;
    }
}

const PropertyValue* SummaryInfo::Get(uint32_t pid) const {
    auto it = set_.properties.find(pid);
    if (it == set_.properties.end() || std::holds_alternative<std::monostate>(it->second))
        return nullptr;
    return &it->second;
}

uint32_t SummaryInfo::CodePage() const {
    const PropertyValue* v = Get(kPidCodepage);
    if (!v) return 0;
    // Stored as a signed 16-bit value: 65001 reads back as -535.
    if (auto* i2 = std::get_if<int16_t>(v)) return static_cast<uint16_t>(*i2);
    if (auto* i4 = std::get_if<int32_t>(v)) return static_cast<uint32_t>(*i4);
    return 0;
}

SummaryInfo::SetResult SummaryInfo::Set(uint32_t pid, PropertyValue value) {
    const uint32_t type = TypeOf(pid);
    const bool matches = (type == kVtI2 && std::holds_alternative<int16_t>(value)) ||
                         (type == kVtI4 && std::holds_alternative<int32_t>(value)) ||
                         (type == kVtLpstr && std::holds_alternative<std::string>(value)) ||
                         (type == kVtFiletime && std::holds_alternative<FileTime>(value));
    if (!matches) return SetResult::kTypeMismatch;
    if (!updatable()) return SetResult::kTooMany;
    auto it = set_.properties.find(pid);
    if (it == set_.properties.end()) {
        if (added_ >= update_count_) return SetResult::kTooMany;
        ++added_;
        set_.properties.emplace(pid, std::move(value));
        return SetResult::kOk;
    }
    // A property read from a file with another type stays as it is.
    if (it->second.index() != value.index() && !std::holds_alternative<std::monostate>(it->second))
        return SetResult::kOk;
    it->second = std::move(value);
    return SetResult::kOk;
}

bool SummaryInfo::read_only() const {
    return db_->read_only();
}

Status SummaryInfo::Persist() {
    if (db_->read_only()) return Status::InvalidArgument("database is read-only");
    auto bytes = set_.Encode();
    std::vector<std::byte> data(bytes.size());
    std::memcpy(data.data(), bytes.data(), bytes.size());
    db_->streams().Put(kStreamName, std::make_shared<MemoryStreamSource>(std::move(data)));
    db_->MarkModified();
    if (owns_database_) return db_->Commit();
    return Status::Ok();
}

}  // namespace msi::db
