#include "msi_view.h"

#include "installer_report.h"
#include "msiquery.h"

namespace {

constexpr int kNameReadLine = 1552;
constexpr int kTypeReadLine = 1515;
constexpr int kColumnCountLine = 1490;

}  // namespace

bool CMsiView::Open(CMsiDatabase* database, const std::string& query) {
    m_pDatabase = database;
    m_strQuery = query;
    MSIHANDLE* slot = GetHandleSlot();
    // The new query may have other columns; its count is asked afresh.
    m_uiColumnCount = 0;
    const MSIHANDLE database_handle = database != nullptr ? database->GetHandle() : 0;
    const UINT result = MsiDatabaseOpenViewA(database_handle, m_strQuery.c_str(), slot);
    if (result == ERROR_SUCCESS) return true;
    if (database != nullptr)
        database->ReportError("opening view [%s], db:", m_strQuery.c_str(), result);
    return false;
}

bool CMsiView::Execute(MSIHANDLE parameters) {
    return MsiViewExecute(m_hHandle, parameters) == ERROR_SUCCESS;
}

bool CMsiView::Fetch(CMsiRecord& record) {
    return MsiViewFetch(m_hHandle, record.GetHandleSlot()) == ERROR_SUCCESS;
}

bool CMsiView::Modify(int mode, CMsiRecord& record) {
    const UINT result = MsiViewModify(m_hHandle, static_cast<MSIMODIFY>(mode), record.GetHandle());
    if (result == ERROR_SUCCESS) return true;
    if (m_pDatabase != nullptr)
        m_pDatabase->ReportError("modifying view [%s], db:", m_strQuery.c_str(), result);
    return false;
}

bool CMsiView::Close() {
    // Only an open view has something to end; the installer would only refuse 0.
    if (m_hHandle != 0) MsiViewClose(m_hHandle);
    CMsiHandle::Close();
    return true;
}

void CMsiView::LoadColumnInfo(ColumnInfo which) {
    const bool names = which == ColumnInfo::kNames;
    CMsiRecord info;
    const UINT result = MsiViewGetColumnInfo(m_hHandle, names ? MSICOLINFO_NAMES : MSICOLINFO_TYPES,
                                             info.GetHandleSlot());
    if (result != ERROR_SUCCESS) return;
    m_uiColumnCount = info.GetFieldCount();
    CStringArray& target = names ? m_saColumnNames : m_saColumnTypes;
    for (std::uint32_t field = 0; field < m_uiColumnCount; ++field) {
        std::string text;
        const bool read = info.GetString(field, text);
        if (names)
            installer::VerifyAt(read, kNameReadLine, "mrColNames.GetString( uiField, &csColName )");
        else
            installer::VerifyAt(read, kTypeReadLine,
                                "mrColDataTypes.GetString( uiField, &csColDataType )");
        target.SetAtGrow(field, text);
    }
    SetFlags(kColumnCountKnown | (names ? kNamesLoaded : kTypesLoaded), true);
}

bool CMsiView::GetColumnInfo(ColumnInfo which, int index, std::string& out) {
    const std::uint32_t loaded_bit = which == ColumnInfo::kNames ? kNamesLoaded : kTypesLoaded;
    if ((m_dwFlags & loaded_bit) == 0) LoadColumnInfo(which);
    // A negative index taken as unsigned is never below the count.
    if ((m_dwFlags & loaded_bit) == 0 || static_cast<std::uint32_t>(index) >= m_uiColumnCount)
        return false;
    const CStringArray& source = which == ColumnInfo::kNames ? m_saColumnNames : m_saColumnTypes;
    // The arrays are overwritten in place after a reset; a view whose new query
    // has fewer columns keeps stale entries past the count, which the count hides.
    if (index >= source.GetSize()) return false;
    out = source.GetAt(index);
    return true;
}

bool CMsiView::GetFieldName(int index, std::string& name) {
    return GetColumnInfo(ColumnInfo::kNames, index, name);
}

bool CMsiView::GetFieldType(int index, std::string& type) {
    return GetColumnInfo(ColumnInfo::kTypes, index, type);
}

std::uint32_t CMsiView::GetFieldCount() {
    if ((m_dwFlags & kColumnCountKnown) != 0) return m_uiColumnCount;
    std::string first;
    installer::VerifyAt(GetFieldName(0, first), kColumnCountLine, "GetFieldName( 0, &csTemp )");
    return m_uiColumnCount;
}
