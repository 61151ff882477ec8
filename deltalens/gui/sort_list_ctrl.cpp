#include "sort_list_ctrl.h"

#include <array>
#include <string>
#include <unordered_set>

#include "entry.h"
#include "entry_list.h"
#include "mbstring.h"

namespace {

// The check state's place in the flags word.
constexpr std::uint32_t kCheckStateMask = 0xC0000000u;
constexpr int kCheckStateShift = 30;

// LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM.
constexpr UINT kColumnMask = 15;

CEntry* EntryOf(CObject* object) {
    return dynamic_cast<CEntry*>(object);
}

}  // namespace

CSortListCtrl::CSortListCtrl() {
    for (int i = 0; i < kMaxColumns; ++i) m_nColumnMap[i] = i;
}

int CSortListCtrl::GetCheckState(const CEntry* entry) {
    return static_cast<int>((entry->GetFlags() & kCheckStateMask) >> kCheckStateShift);
}

void CSortListCtrl::SetCheckState(CEntry* entry, int state) {
    entry->SetFlags(kCheckStateMask, false);
    entry->SetFlags((static_cast<std::uint32_t>(state) << kCheckStateShift) & kCheckStateMask,
                    true);
}

int CSortListCtrl::GetEntryImage(CEntry* entry) {
    return m_bCheckImages ? GetCheckState(entry) : static_cast<int>(entry->GetData());
}

int CSortListCtrl::FindEntryItem(CEntry* entry) {
    LVFINDINFO find{LVFI_PARAM, nullptr, reinterpret_cast<LPARAM>(entry)};
    return FindItem(&find, -1);
}

int CSortListCtrl::GetColumnCount() const {
    int count = 0;
    while (GetColumn(count, nullptr)) ++count;
    return count;
}

int CSortListCtrl::InsertColumn(int index, const char* text, int sub_item, UINT mask, int format) {
    LVCOLUMN column{mask,
                    format,
                    GetStringWidth(text != nullptr ? text : "") + 15,
                    const_cast<LPSTR>(text != nullptr ? text : ""),
                    0,
                    sub_item == -1 ? index : sub_item};
    return CListCtrl::InsertColumn(index, &column);
}

void CSortListCtrl::SetEntryList(CEntryList* list) {
    m_pEntryList = list;
    RebuildColumns();
    if (list != nullptr) Refresh();
}

void CSortListCtrl::RebuildColumns() {
    if (GetSafeHwnd() == nullptr) return;
    while (DeleteColumn(0)) {
    }
    if (m_pEntryList == nullptr) return;
    for (int i = 0; i < m_pEntryList->GetColumnCount(); ++i)
        InsertColumn(i, m_pEntryList->GetColumnName(i).c_str(), -1, kColumnMask, LVCFMT_LEFT);
}

void CSortListCtrl::Refresh() {
    m_pSelectedEntry = nullptr;
    if (m_pEntryList == nullptr || GetSafeHwnd() == nullptr) return;
    std::unordered_set<const CObject*> listed;
    for (POSITION position = m_pEntryList->GetHeadPosition(); position != nullptr;)
        listed.insert(m_pEntryList->GetNext(position));

    // No item stays selected: the selected entry is none, and the view
    // shows what the control says.
    SetItemState(-1, 0, LVIS_SELECTED);
    // An entry listed twice has one item; this set says which have one.
    std::unordered_set<const CEntry*> shown;
    if (GetItemCount() > 0) {
        // The items of entries gone go all at once. An entry is looked at
        // only once it is known to be listed: the item of a destroyed entry
        // holds a pointer to nothing.
        DeleteItems([&listed](LPARAM data) {
            auto* entry = reinterpret_cast<CEntry*>(data);
            return listed.count(entry) == 0 || !entry->IsValid();
        });
        for (int item = 0; item < GetItemCount(); ++item) {
            auto* entry = reinterpret_cast<CEntry*>(GetItemData(item));
            shown.insert(entry);
            UpdateEntry(entry, item);
        }
    } else {
        DeleteAllItems();
    }
    for (POSITION position = m_pEntryList->GetHeadPosition(); position != nullptr;) {
        CEntry* entry = EntryOf(m_pEntryList->GetNext(position));
        if (entry == nullptr || !entry->IsValid() || !shown.insert(entry).second) continue;
        WriteEntryItem(entry, -1);
    }
}

void CSortListCtrl::UpdateEntry(CEntry* entry, int index) {
    if (entry == nullptr) return;
    if (index == -1) index = FindEntryItem(entry);
    if (entry->IsValid()) {
        WriteEntryItem(entry, index);
    } else if (index != -1) {
        DeleteItem(index);
    }
}

void CSortListCtrl::WriteEntryItem(CEntry* entry, int index) {
    std::array<std::string, kMaxColumns> texts;
    const int fields =
        std::min(m_pEntryList != nullptr ? m_pEntryList->GetColumnCount() : 0, kMaxColumns);
    for (int i = 0; i < fields; ++i) texts[static_cast<std::size_t>(i)] = entry->GetFieldText(i);
    LVITEM item{LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM,
                index == -1 ? GetItemCount() : index,
                0,
                0,
                0,
                const_cast<LPSTR>(texts[0].c_str()),
                0,
                GetEntryImage(entry),
                reinterpret_cast<LPARAM>(entry)};
    if (index == -1) {
        index = InsertItem(&item);
        if (index == -1) return;  // refused: the entry has no item
    } else {
        SetItem(&item);
    }
    const int columns = std::min(GetColumnCount(), kMaxColumns);
    for (int column = 1; column < columns; ++column)
        SetItemText(index, column, texts[static_cast<std::size_t>(column)]);
}

void CSortListCtrl::SizeColumns(int count, const int* widths) {
    if (count == -1) count = GetColumnCount();
    if (count <= 0) return;
    CRect client;
    GetClientRect(&client);
    const int width = client.right;
    // The list view takes widths as 16-bit values.
    auto set_width = [this](int column, int pixels) {
        SetColumnWidth(column, static_cast<std::int16_t>(pixels));
    };
    if (widths == nullptr) {
        for (int column = 0; column < count; ++column) set_width(column, width / count);
        return;
    }
    int sum = 0;
    for (int column = 0; column < count - 1; ++column) {
        set_width(column, widths[column]);
        sum += widths[column];
    }
    set_width(count - 1, sum < width ? width - sum : widths[count - 1]);
}

BOOL CSortListCtrl::OnReflectedNotify(const NMHDR* header, LRESULT* /*result*/) {
    if (header->code == NM_CLICK) {
        OnItemClick(*reinterpret_cast<const NMITEMACTIVATE*>(header));
    } else if (header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        m_pSelectedEntry = (change->uNewState & LVIS_SELECTED) != 0
                               ? reinterpret_cast<CEntry*>(change->lParam)
                               : nullptr;
    }
    // Not consumed: the dialog sees clicks and changes as well.
    return FALSE;
}

BOOL CSortListCtrl::OnNotify(WPARAM id, const NMHDR* header, LRESULT* result) {
    if (id == 0 && (header->code == HDN_ITEMCLICKA || header->code == HDN_ITEMCLICKW)) {
        OnHeaderClick(*reinterpret_cast<const NMHEADER*>(header));
        *result = 0;
        return TRUE;
    }
    return CListCtrl::OnNotify(id, header, result);
}

// A click on an item's icon toggles its entry's check state between 0 and
// 1; state 2 stays.
void CSortListCtrl::OnItemClick(const NMITEMACTIVATE& click) {
    LVHITTESTINFO hit{click.ptAction, 0, -1, 0};
    if (HitTest(&hit) < 0 || (hit.flags & LVHT_ONITEMICON) == 0) return;
    auto* entry = reinterpret_cast<CEntry*>(GetItemData(hit.iItem));
    if (entry == nullptr) return;
    const int state = GetCheckState(entry);
    if (state == 2) return;
    SetCheckState(entry, state == 0 ? 1 : 0);
    UpdateEntry(entry, -1);
}

// The same column again reverses the order; another column keeps the
// direction. Starting from column 0 ascending, the first click on column 0
// sorts it descending.
void CSortListCtrl::OnHeaderClick(const NMHEADER& click) {
    if (click.iButton != 0) return;
    if (click.iItem == m_nSortColumn) m_nSortDirection = -m_nSortDirection;
    m_nSortColumn = click.iItem;
    SortItems(CompareItems, reinterpret_cast<LPARAM>(this));
}

// Texts compare as texts, without regard to letter case: "10" before "9".
int CSortListCtrl::CompareItems(LPARAM first, LPARAM second, LPARAM control) {
    const auto* self = reinterpret_cast<const CSortListCtrl*>(control);
    const std::string a = reinterpret_cast<const CEntry*>(first)->GetFieldText(self->m_nSortColumn);
    const std::string b =
        reinterpret_cast<const CEntry*>(second)->GetFieldText(self->m_nSortColumn);
    const int order = _mbsicmp(a.c_str(), b.c_str());
    return ((order > 0) - (order < 0)) * self->m_nSortDirection;
}
