// The summary information stream (\005SummaryInformation): an OLE property set
// with one section. Byte order: little-endian.
//
// Stream header:
//   OFFSET  SIZE  MEANING
//   0       2     byte order mark 0xFFFE
//   2       2     format version (0)
//   4       4     OS version: high word 2 (Win32), low word the writer's OS
//   8       16    CLSID (zero)
//   24      4     number of sections (1 here; readers take the first one with
//                 the summary FMTID)
//   28      16    section FMTID  \  one 20-byte pair
//   44      4     section offset /  per section
// Section (offsets inside it count from the section's start):
//   0       4     section size in bytes, this field included
//   4       4     property count n
//   8       8·n   pairs: property id (u32), value offset (u32)
//   ...           values, each starting on a 4-byte boundary
// Value: u32 type, then
//   VT_I2 (2)        i16 + 2 pad bytes
//   VT_I4 (3)        i32
//   VT_LPSTR (30)    u32 byte count including the NUL, bytes, padded to 4
//   VT_FILETIME (64) u64, 100-ns ticks since 1601-01-01 UTC
//
// Strings are kept as raw bytes in the summary's own code page (property 1),
// which may differ from the string pool's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "common/status.h"

namespace msi::format {

// Property ids of the installer's summary information.
enum SummaryPid : uint32_t {
    kPidCodepage = 1,
    kPidTitle = 2,
    kPidSubject = 3,
    kPidAuthor = 4,
    kPidKeywords = 5,
    kPidComments = 6,
    kPidTemplate = 7,
    kPidLastSavedBy = 8,
    kPidRevisionNumber = 9,
    kPidLastPrinted = 11,
    kPidCreateTime = 12,
    kPidLastSaveTime = 13,
    kPidPageCount = 14,
    kPidWordCount = 15,
    kPidCharacterCount = 16,
    kPidCreatingApplication = 18,
    kPidSecurity = 19,
};

enum VarType : uint32_t {
    kVtEmpty = 0,
    kVtNull = 1,
    kVtI2 = 2,
    kVtI4 = 3,
    kVtLpstr = 30,
    kVtFiletime = 64,
};

struct FileTime {
    uint64_t ticks = 0;  // 100 ns since 1601-01-01 UTC
    friend bool operator==(FileTime, FileTime) = default;
};

// monostate = empty (not written). std::string = VT_LPSTR bytes without the NUL.
using PropertyValue = std::variant<std::monostate, int16_t, int32_t, std::string, FileTime>;

struct SummaryPropertySet {
    static constexpr size_t kHeaderSize = 2 + 2 + 4 + 16 + 4;  // up to the section list
    static constexpr size_t kSectionEntrySize = 16 + 4;        // FMTID, offset
    static constexpr size_t kSectionHeaderSize = 4 + 4;        // size, count
    static constexpr size_t kPropertyEntrySize = 4 + 4;        // id, offset
    static constexpr uint16_t kByteOrderMark = 0xFFFE;
    // The OS word we write: high word 2 = Win32, low word 0x0006 = Windows 6.0
    // (major version in the low byte, minor in the high byte), a value found in
    // packages made by Windows.
    static constexpr uint32_t kOsVersion = 0x00020006;
    static constexpr uint8_t kFmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                           0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};

    std::map<uint32_t, PropertyValue> properties;  // by property id

    // Writes one section with the present properties in id order.
    std::vector<uint8_t> Encode() const;
    // Reads every property through the offset table (writers do not keep id
    // order). Skips properties it does not carry (dictionary, special ids of
    // 0x80000000 and above, types other than the four above, empty and null
    // values); keeps the first of two entries with one id.
    static Result<SummaryPropertySet> Decode(std::span<const uint8_t> stream);
};

}  // namespace msi::format
