// CMsiView: one SQL query on an open CMsiDatabase, and its rows. The view
// owns its handle; it caches the names and type strings of its columns,
// asking the installer once until the view is reset or reopened.
//
// The reading loop: Open, Execute(0), Fetch into one CMsiRecord until it
// returns false, reading fields after each fetch, then Close.
#pragma once

#include <cstdint>
#include <string>

#include "core/string_array.h"
#include "msi_database.h"
#include "msi_handle.h"
#include "msi_record.h"

class CMsiView : public CMsiHandle {
  public:
    // Bits of the flags word.
    static constexpr std::uint32_t kColumnCountKnown = 0x1000;
    static constexpr std::uint32_t kNamesLoaded = 0x2000;
    static constexpr std::uint32_t kTypesLoaded = 0x4000;

    CMsiView() = default;
    // Closes the handle through the base only: a view being destroyed needs
    // no MsiViewClose, closing its handle ends it.
    ~CMsiView() override = default;

    // Opens `query` on `database` (not owned; it must outlive the view). A view
    // open on this object is closed first. A failure is reported through the
    // database.
    bool Open(CMsiDatabase* database, const std::string& query);
    // Runs the query with a raw record of parameters, 0 for none. Not reported.
    bool Execute(MSIHANDLE parameters = 0);
    // The next row into `record`, whose previous handle is closed first.
    // False at the end of the rows and on any error, without a report.
    bool Fetch(CMsiRecord& record);
    // MsiViewModify with the installer's mode (MSIMODIFY_*); a failure is
    // reported through the database.
    bool Modify(int mode, CMsiRecord& record);

    // MsiViewClose, then the handle is closed. Always succeeds.
    bool Close() override;

    // Name and type string of column `index`; false when they cannot be had
    // or the index is not a column.
    bool GetFieldName(int index, std::string& name);
    bool GetFieldType(int index, std::string& type);
    // The number of columns (0 when the installer could not tell).
    std::uint32_t GetFieldCount();

    const std::string& GetQuery() const { return m_strQuery; }
    CMsiDatabase* GetDatabase() const { return m_pDatabase; }

  private:
    enum class ColumnInfo { kNames = 0, kTypes = 1 };
    // Fills names or types from the installer once; leaves the bits clear
    // when the installer refuses.
    void LoadColumnInfo(ColumnInfo which);
    bool GetColumnInfo(ColumnInfo which, int index, std::string& out);

    CMsiDatabase* m_pDatabase = nullptr;
    std::string m_strQuery;
    CStringArray m_saColumnTypes;
    CStringArray m_saColumnNames;
    std::uint32_t m_uiColumnCount = 0;
};
