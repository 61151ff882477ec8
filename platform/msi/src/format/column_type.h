// The 16-bit column type word (_Columns.Type) and everything derived from it.
// This is the only place that interprets the bits; other code asks this type.
//
//   BITS   MASK    MEANING
//   0-7    0x00FF  width: string max length (0 = unlimited), integer byte size
//   8      0x0100  persistent (set on every stored column)
//   9      0x0200  localizable
//   10     0x0400  short: 16-bit integer, or with 0x0800 a string
//   11     0x0800  object: string index or stream
//   12     0x1000  nullable
//   13     0x2000  primary key
//   14     0x4000  temporary: in memory only, never written to _Columns
//
// Bits 10-11 together: 0x000 long integer, 0x400 short integer, 0x800 binary,
// 0xC00 string. Two kinds of notation are derived from the word:
//   - column-info strings (what MsiViewGetColumnInfo reports): s72 S255 l0 L64
//     i2 I4 v0 V0, g/G and j/J for temporary strings and integers, O0 for
//     temporary objects;
//   - the archive notation of export (.idt) files: s72 S255 l0 L0 i2 I4 v0 V0.
// The word of a CREATE TABLE column is made by the SQL layer
// (sql/column_type.h) from these constants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/status.h"

namespace msi::format {

// The installer keeps at most 32 columns in a table. Tables are made no wider
// here (CREATE TABLE, ALTER TABLE ADD), and no transform is written for a
// wider one: its records could not be applied by the installer, and an add
// record's column count is one byte. Wider tables made elsewhere still read.
inline constexpr size_t kMaxTableColumns = 32;

class ColumnType {
  public:
    static constexpr uint16_t kWidthMask = 0x00FF;
    static constexpr uint16_t kPersistent = 0x0100;
    static constexpr uint16_t kLocalizable = 0x0200;
    static constexpr uint16_t kShort = 0x0400;
    static constexpr uint16_t kObject = 0x0800;
    static constexpr uint16_t kNullable = 0x1000;
    static constexpr uint16_t kKey = 0x2000;
    static constexpr uint16_t kTemporary = 0x4000;
    static constexpr uint16_t kString = kShort | kObject;
    static constexpr uint16_t kBinary = kObject | kPersistent;

    // Cell sizes in table streams.
    static constexpr unsigned kShortCellSize = 2;
    static constexpr unsigned kLongCellSize = 4;
    static constexpr unsigned kStringRefSize = 2;
    static constexpr unsigned kLongStringRefSize = 3;
    static constexpr unsigned kBinaryCellSize = 2;

    constexpr ColumnType() = default;
    constexpr explicit ColumnType(uint16_t word) : word_(word) {}

    uint16_t word() const { return word_; }
    // The word as _Columns stores it: the in-memory temporary bit removed.
    uint16_t StoredWord() const { return uint16_t(word_ & ~kTemporary); }

    // Binary is tested first: a binary word also has the object bit of strings.
    // Stored words are exactly 0x0900 apart from the nullable bit; a temporary
    // object lacks the persistent bit instead.
    bool IsBinary() const {
        const uint16_t rest = word_ & ~(kNullable | kTemporary);
        return rest == kBinary || (IsTemporary() && rest == kObject);
    }
    bool IsString() const { return !IsBinary() && (word_ & kObject) != 0; }
    bool IsInteger() const { return (word_ & kObject) == 0; }
    // Integers of width 0 or 1 occur in real packages; like width 2 they use 2 bytes.
    bool IsLongInteger() const { return IsInteger() && Width() == 4; }

    unsigned Width() const { return word_ & kWidthMask; }
    bool IsNullable() const { return (word_ & kNullable) != 0; }
    bool IsKey() const { return (word_ & kKey) != 0; }
    bool IsLocalizable() const { return (word_ & kLocalizable) != 0; }
    bool IsTemporary() const { return (word_ & kTemporary) != 0; }
    bool IsPersistent() const { return (word_ & kPersistent) != 0; }

    ColumnType WithKey(bool key) const {
        return ColumnType(uint16_t(key ? word_ | kKey : word_ & ~kKey));
    }

    // Bytes per cell in a table stream; long_refs is the string pool's
    // 3-byte-reference flag.
    unsigned CellSize(bool long_refs) const;

    // The MsiViewGetColumnInfo type string.
    std::string InfoString() const;
    // The archive (.idt) notation; temporary columns are never exported and get
    // the persistent letters.
    std::string ArchiveString() const;

    // Reads the archive notation: a letter (s S l L i I v V) and a decimal width.
    // Also takes what other tools write: surrounding blanks, integer widths 0
    // and 1 (2-byte cells), a width on v/V (ignored). Refuses unknown letters,
    // string widths over 255, integer widths 3 and over 4.
    static Result<ColumnType> ParseArchive(std::string_view text);

    friend bool operator==(ColumnType, ColumnType) = default;

  private:
    uint16_t word_ = 0;
};

}  // namespace msi::format
