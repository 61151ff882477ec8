// Summary information of a database: the property set stored in the root
// stream "\005SummaryInformation", read through format::SummaryPropertySet.
//
// Rules (the installer's, as its tests show them):
// - `update_count` is how many properties not present when the object was
//   made may be added; adding more fails. With an update count of 0 the
//   object is read-only: no property can be set, not even an existing one.
// - Every property id has one fixed type; setting another type fails.
// - Strings are held as bytes of the summary's own code page (property 1),
//   converted from and to the process code page at the interface.
// - Persist writes the whole stream into the database, which a commit then
//   writes to the file. A summary object opened by path owns its database
//   and commits it on Persist.
#pragma once

#include <memory>
#include <string>

#include "common/status.h"
#include "format/property_set.h"

namespace msi::db {

class Database;

class SummaryInfo {
  public:
    static constexpr const char* kStreamName = "\005SummaryInformation";
    // Property ids at or above this are unknown to the installer.
    static constexpr uint32_t kPropertyLimit = 20;

    // Reads the database's summary stream (a missing stream is an empty set).
    static Result<std::unique_ptr<SummaryInfo>> Load(std::shared_ptr<Database> db,
                                                     uint32_t update_count, bool owns_database);

    // The fixed value type of a property id (format::VarType), kVtEmpty when
    // the id cannot be set.
    static uint32_t TypeOf(uint32_t pid);

    size_t PropertyCount() const { return set_.properties.size(); }
    const format::PropertyValue* Get(uint32_t pid) const;
    // Code page of the summary strings (property 1), 0 when absent.
    uint32_t CodePage() const;

    // False when the object was opened with an update count of 0.
    bool updatable() const { return update_count_ != 0; }

    enum class SetResult { kOk, kTypeMismatch, kTooMany };
    SetResult Set(uint32_t pid, format::PropertyValue value);

    Status Persist();
    bool read_only() const;

  private:
    SummaryInfo() = default;
    std::shared_ptr<Database> db_;
    bool owns_database_ = false;
    uint32_t update_count_ = 0;
    uint32_t added_ = 0;
    format::SummaryPropertySet set_;
};

}  // namespace msi::db
