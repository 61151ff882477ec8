// CMsiRecord: one installer record (a fetched row, a column-information
// record, or a record built for an insert), owned through its handle.
// Field numbers count from 0 here; the installer is given the number plus 1.
#pragma once

#include <cstdint>
#include <string>

#include "msi_binary_value.h"
#include "msi_handle.h"

class CMsiRecord : public CMsiHandle {
  public:
    CMsiRecord() = default;

    // A new record of `count` fields replaces the current one; false when the
    // installer gives no handle.
    bool Create(std::uint32_t count);
    // The field count, asked of the installer once per handle.
    std::uint32_t GetFieldCount();

    // False for the installer's null integer, which `value` then holds.
    bool GetInteger(std::uint32_t field, std::int32_t& value) const;
    // Reads the whole string field, however long. `value` holds what was read
    // even on failure.
    bool GetString(std::uint32_t field, std::string& value) const;
    // Reads the whole stream field into `value` (which then owns its buffer).
    bool ReadStream(std::uint32_t field, CMsiBinaryValue& value) const;

    bool SetInteger(std::uint32_t field, std::int32_t value);
    bool SetString(std::uint32_t field, const std::string& value);
    // The field's stream is the file's content; a failure is reported.
    bool SetStream(std::uint32_t field, const std::string& path);

    // Forgets the cached field count only; the handle is cleared by Close.
    void Reset() override;

  private:
    std::uint32_t m_uiFieldCount = 0;
};
