// CMsiTableRecord: one row of a MsiTableView, a value per column in the
// column's data type (string, 32-bit integer or binary value). The record
// owns its values and keeps its state in the flags word: modified, new,
// deleted, and inserted (a new record written by an earlier Commit).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "msi_binary_value.h"
#include "msi_record.h"
#include "typed_entry.h"

class MsiTableView;

class CMsiTableRecord : public CTypedEntry {
  public:
    static constexpr std::uint32_t kModified = 0x10000000;
    static constexpr std::uint32_t kNew = 0x20000000;
    static constexpr std::uint32_t kDeleted = 0x40000000;
    static constexpr std::uint32_t kInserted = 0x20000;

    // Bound to `table_view` (not owned) with one empty cell per column, or to
    // none: such a record learns its table view when the view adds it.
    explicit CMsiTableRecord(MsiTableView* table_view = nullptr);
    ~CMsiTableRecord() override;

    // "" for an empty cell or an index outside the values; a string as it is,
    // an integer in decimal, "[Binary]" for a binary value.
    std::string GetFieldText(int index) const override;
    // The text used for export and searching: GetStringValue.
    std::string GetColumnText(int index) const override;
    // SetStringValue.
    void SetFieldText(int index, const char* text) override;

    // The integer, or the installer's null (0x80000000) for an empty cell or
    // an index outside the values. A string cell holding a decimal number
    // (as SetFieldText leaves one) reads as that number.
    std::int32_t GetIntegerValue(int index) const override;
    // Sets the modified bit and stores the integer.
    void SetIntegerValue(int index, std::int32_t value) override;
    // The string, "" for an empty cell; an integer cell reads in decimal.
    std::string GetStringValue(int index) const override;
    // Sets the modified bit; a null or empty text leaves the cell empty.
    void SetStringValue(int index, const char* text) override;
    // Sets the modified bit and stores a copy of the bytes.
    void SetBinaryValue(int index, const CMsiBinaryValue& value);

    const foundation::ColumnTypeSource* GetOwnerList() const override;

    // Fills the values from a fetched row, by the column types of
    // `table_view`, and binds the record to it.
    virtual bool LoadFromRecord(CMsiRecord& record, MsiTableView* table_view);
    // Frees every value and clears the state bits.
    virtual void FreeValues();
    virtual void Clear();

    // Empties one cell; an index outside the values does nothing.
    void FreeValue(int index);
    // The binary value of a cell, or nullptr (reported) when it holds none.
    const CMsiBinaryValue* GetBinary(int index) const;
    // A new installer record holding the values; see FillMsiRecord.
    std::unique_ptr<CMsiRecord> CreateMsiRecord();
    // Makes `record` a record of the table view's column count and sets
    // every field whose cell holds a value. A binary value goes through a
    // "$bin" temporary file registered with the table view's database.
    // Throws CFileException when that file cannot be written.
    void FillMsiRecord(CMsiRecord& record);

    MsiTableView* GetTableView() const { return m_pTableView; }
    // Binds the record to a table view, growing the values to its column
    // count. Values set before are kept.
    void BindTableView(MsiTableView* table_view);

    bool HasFlags(std::uint32_t bits) const { return (m_dwFlags & bits) == bits; }

  private:
    using Value = std::variant<std::monostate, std::string, std::int32_t, CMsiBinaryValue>;

    // The column's type when bound, else the kind of the value the cell holds.
    std::uint32_t TypeOf(int index) const;
    const Value* Cell(int index) const;
    // The cell, growing the values so that it exists; nullptr for a negative index.
    Value* CellForWrite(int index);
    void WriteBinaryField(CMsiRecord& record, std::uint32_t field, const CMsiBinaryValue& value);

    std::vector<Value> m_values;
    MsiTableView* m_pTableView = nullptr;
};
