// What a typed entry asks of the list that holds it: the type of each column.
// The table view of the installer layer implements it for its records.
#pragma once

namespace foundation {

// Column types a typed entry knows how to show as text.
enum ColumnType : int {
    kColumnString = 0,
    kColumnInteger = 1,
};

class ColumnTypeSource {
  public:
    // The type of column `index` (kColumnString, kColumnInteger, or another
    // value for a column that has no text form, such as a binary stream).
    virtual int GetColumnType(int index) const = 0;

  protected:
    ~ColumnTypeSource() = default;
};

}  // namespace foundation
