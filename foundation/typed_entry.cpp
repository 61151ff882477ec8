#include "typed_entry.h"

std::string CTypedEntry::GetFieldText(int index) const {
    // Without a list there are no column types, so no field has a text form.
    const foundation::ColumnTypeSource* owner = GetOwnerList();
    if (owner == nullptr) return std::string();
    switch (owner->GetColumnType(index)) {
        case foundation::kColumnString:
            return GetStringValue(index);
        case foundation::kColumnInteger:
            return std::to_string(GetIntegerValue(index));
        default:
            return std::string();
    }
}

std::int32_t CTypedEntry::GetIntegerValue(int /*index*/) const {
    return 0;
}

void CTypedEntry::SetIntegerValue(int /*index*/, std::int32_t /*value*/) {}

std::string CTypedEntry::GetStringValue(int /*index*/) const {
    return std::string();
}

void CTypedEntry::SetStringValue(int /*index*/, const char* /*text*/) {}
