// MsiTableView: a whole installer table in memory, one CMsiTableRecord per
// row, with the column names, types and attributes the installer gives.
// Callers change, add and delete rows and write the changes back with Commit.
//
// Calling order: Load (or Open) on an open CMsiDatabase; walk and read the
// entries through the CEntryList operations; change them with the records'
// setters, add records with AddEntry, flag them with MarkDeleted; Commit;
// then MsiDatabaseCommit on the database's handle. The database must outlive
// the table view: Commit registers temporary files with it, and the view that
// stays open after Load refers to it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "entry_list.h"
#include "msi_database.h"
#include "msi_table_record.h"
#include "msi_view.h"
#include "typed_entry_list.h"

class MsiTableView : public CTypedEntryList {
  public:
    MsiTableView();
    // Deletes every entry, then closes the view.
    ~MsiTableView() override;

    // Removes and deletes every entry.
    void RemoveAll() override;
    // A new CMsiTableRecord bound to no table view; AddEntry binds it.
    CEntry* CreateEntry() override;
    // Names and count come from the open view; a name that cannot be had is
    // reported and reads "".
    std::string GetColumnName(int index) const override;
    int GetColumnCount() const override;
    // Appends a table record as a new row (its new bit set). A record made by
    // CreateEntry is bound to this table view here, so that Commit can fill an
    // installer record of this table's columns from it; a record bound to
    // another table view keeps that binding. Anything but a table record is
    // refused (false) and stays the caller's.
    bool AddEntry(CEntry* entry) override;
    // Column names come from the database; setting them does nothing.
    int SetColumnName(int index, const std::string& name) override;
    int SetColumnName(int index, const char* name) override;

    // The same as Load.
    virtual bool Open(CMsiDatabase* database, const std::string& table);
    // Reads every row of `table` and appends it; entries already in the list
    // stay. The view stays open for Commit. False when the query cannot run.
    virtual bool Load(CMsiDatabase* database, const std::string& table);
    // Writes changed, new and deleted entries back through the view (see the
    // .cpp for the exact calls). Never commits the database. False when any
    // installer call failed; the remaining entries are still written.
    virtual bool Commit();
    // Empties the auxiliary list without deleting its entries.
    virtual void DetachAuxiliaryEntries();
    // Sets the entry's deleted bit; Commit then deletes its row.
    virtual void MarkDeleted(CEntry* entry);

    const std::string& GetTableName() const { return m_strTableName; }
    CMsiDatabase* GetDatabase() const { return m_pDatabase; }
    // The column named table name + "_Parent", or -1.
    int GetParentColumn() const { return m_iParentColumn; }
    // The index of the column of that exact name, or -1.
    int GetColumnIndex(const std::string& name) const;
    CEntryList& GetAuxiliaryList() { return m_elAuxiliary; }
    CMsiView& GetAssocView() { return m_mvAssocView; }

  protected:
    // Writes one entry back; `failure` takes the text of a failed step.
    bool CommitEntry(CMsiTableRecord& entry, std::string& failure);
    void TraceCommitFailure(const CMsiTableRecord& entry, const std::string& failure) const;

    std::string m_strTableName;
    CMsiDatabase* m_pDatabase = nullptr;
    std::map<std::string, int> m_mapColumnIndex;
    // Column names and the count are cached inside the view on first use, so
    // the const getters of the list need it mutable.
    mutable CMsiView m_mvAssocView;
    // Holds entries of the main list without owning them.
    CEntryList m_elAuxiliary;
    int m_iParentColumn = -1;
};
