#include "msi_table_view.h"

#include "debug_trace.h"
#include "installer_report.h"
#include "msi_column_type.h"
#include "msiquery.h"

using installer::kMsiColumnBinary;
using installer::kMsiColumnInteger;
using installer::kMsiColumnNullable;
using installer::kMsiColumnString;

namespace {

constexpr int kColumnNameLine = 1310;

}  // namespace

MsiTableView::MsiTableView() : m_elAuxiliary(10) {
    // The auxiliary list only points at entries of the main list, which owns
    // them; owning them twice would delete them twice.
    m_elAuxiliary.m_bOwnsObjects = false;
}

MsiTableView::~MsiTableView() {
    RemoveAll();
}

void MsiTableView::RemoveAll() {
    CTypedEntryList::RemoveAll();
}

CEntry* MsiTableView::CreateEntry() {
    return new CMsiTableRecord(nullptr);
}

std::string MsiTableView::GetColumnName(int index) const {
    std::string name;
    if (!installer::VerifyAt(m_mvAssocView.GetFieldName(index, name), kColumnNameLine,
                             "m_mvAssocView.GetFieldName( iColumnIdx, &csRetValue )"))
        name.clear();
    return name;
}

int MsiTableView::GetColumnCount() const {
    return static_cast<int>(m_mvAssocView.GetFieldCount());
}

bool MsiTableView::AddEntry(CEntry* entry) {
    auto* record = dynamic_cast<CMsiTableRecord*>(entry);
    if (record == nullptr) return false;
    if (record->GetTableView() == nullptr) record->BindTableView(this);
    record->SetFlags(CMsiTableRecord::kNew, true);
    AddTail(record);
    return true;
}

int MsiTableView::SetColumnName(int /*index*/, const std::string& /*name*/) {
    return 0;
}

int MsiTableView::SetColumnName(int /*index*/, const char* /*name*/) {
    return 0;
}

bool MsiTableView::Open(CMsiDatabase* database, const std::string& table) {
    return Load(database, table);
}

bool MsiTableView::Load(CMsiDatabase* database, const std::string& table) {
    m_strTableName = table;
    const std::string query = "SELECT * FROM " + table;
    if (!m_mvAssocView.Open(database, query) || !m_mvAssocView.Execute(0)) return false;

    // The map describes the columns of the table loaded last.
    m_mapColumnIndex.clear();
    for (int index = 0; index < GetColumnCount(); ++index) {
        m_mapColumnIndex[GetColumnName(index)] = index;
        std::string type_string;
        m_mvAssocView.GetFieldType(index, type_string);
        std::uint32_t type = kMsiColumnString;
        switch (type_string.empty() ? '\0' : type_string[0]) {
            case 'I':
                SetColumnAttributes(index, kMsiColumnNullable);
                type = kMsiColumnInteger;
                break;
            case 'i':
                type = kMsiColumnInteger;
                break;
            case 'L':
            case 'S':
                SetColumnAttributes(index, kMsiColumnNullable);
                break;
            case 'V':
                SetColumnAttributes(index, kMsiColumnNullable);
                type = kMsiColumnBinary;
                break;
            case 'v':
                type = kMsiColumnBinary;
                break;
            default:  // "s", "l" and anything unknown are strings
                break;
        }
        SetColumnType(index, type);
    }

    CMsiRecord row;
    while (m_mvAssocView.Fetch(row)) {
        auto entry = std::make_unique<CMsiTableRecord>(nullptr);
        if (entry->LoadFromRecord(row, this)) AddTail(entry.release());
    }

    m_pDatabase = database;
    m_iParentColumn = -1;
    const std::string parent_name = table + "_Parent";
    for (int index = 0; index < GetColumnCount(); ++index) {
        if (GetColumnName(index) == parent_name) {
            m_iParentColumn = index;
            break;
        }
    }
    return true;
}

// Per entry, in list order:
//   new and deleted           -> nothing
//   new, not yet inserted     -> insert (the inserted bit is set on success)
//   modified, or inserted     -> seek, delete, insert a freshly made record
//   deleted                   -> seek, delete
//   unchanged                 -> nothing
// A failure ends that entry's steps only; from then on every entry is traced.
bool MsiTableView::Commit() {
    bool result = true;
    std::string failure;
    for (POSITION position = GetHeadPosition(); position != nullptr;) {
        auto* entry = dynamic_cast<CMsiTableRecord*>(GetNext(position));
        if (entry == nullptr) continue;
        if (!CommitEntry(*entry, failure)) result = false;
        if (!result) TraceCommitFailure(*entry, failure);
    }
    return result;
}

bool MsiTableView::CommitEntry(CMsiTableRecord& entry, std::string& failure) {
    std::unique_ptr<CMsiRecord> record = entry.CreateMsiRecord();
    if (entry.HasFlags(CMsiTableRecord::kNew)) {
        if (entry.HasFlags(CMsiTableRecord::kDeleted)) {
            VSB_BetaTrace("Skipping new and deleted record.");
            return true;
        }
        if (!entry.HasFlags(CMsiTableRecord::kInserted)) {
            if (!m_mvAssocView.Modify(MSIMODIFY_INSERT, *record)) {
                failure = "INSERT failed.";
                return false;
            }
            entry.SetFlags(CMsiTableRecord::kInserted, true);
            return true;
        }
    }
    if (entry.HasFlags(CMsiTableRecord::kModified) || entry.HasFlags(CMsiTableRecord::kInserted)) {
        if (!m_mvAssocView.Modify(MSIMODIFY_SEEK, *record)) {
            failure = "MODIFY_SEEK failed.";
            return false;
        }
        if (!m_mvAssocView.Modify(MSIMODIFY_DELETE, *record)) {
            failure = "MODIFY_DELETE failed.";
            return false;
        }
        record.reset();
        record = entry.CreateMsiRecord();
        if (!m_mvAssocView.Modify(MSIMODIFY_INSERT, *record)) {
            failure = "MODIFY_INSERT failed.";
            return false;
        }
        return true;
    }
    if (entry.HasFlags(CMsiTableRecord::kDeleted)) {
        if (!m_mvAssocView.Modify(MSIMODIFY_SEEK, *record)) {
            failure = "DELETE_SEEK failed.";
            return false;
        }
        if (!m_mvAssocView.Modify(MSIMODIFY_DELETE, *record)) {
            failure = "DELETE failed.";
            return false;
        }
    }
    return true;
}

void MsiTableView::TraceCommitFailure(const CMsiTableRecord& entry,
                                      const std::string& failure) const {
    std::string text = "MsiTableView::Commit: " + failure;
    for (int index = 0; index < GetColumnCount(); ++index)
        text += "[" + GetColumnName(index) + "]~[" + entry.GetFieldText(index) + "],";
    // Passed as an argument, so that a percent sign in a value is shown, not read.
    VSB_TraceError("%s", text.c_str());
}

void MsiTableView::DetachAuxiliaryEntries() {
    m_elAuxiliary.CObList::RemoveAll();
}

void MsiTableView::MarkDeleted(CEntry* entry) {
    if (entry != nullptr) entry->SetFlags(CMsiTableRecord::kDeleted, true);
}

int MsiTableView::GetColumnIndex(const std::string& name) const {
    const auto found = m_mapColumnIndex.find(name);
    return found != m_mapColumnIndex.end() ? found->second : -1;
}
