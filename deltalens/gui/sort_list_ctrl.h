// CSortListCtrl: a report list that shows the entries of a CEntryList, one
// column per column name of the list and one item per valid entry, each
// item carrying its entry as item data. It keeps itself in step with the
// list (Refresh), updates single entries, sorts by a column when the user
// clicks its header (when the list has a sort header), toggles an entry's
// check state on a click on the item's icon, and remembers the selected
// entry. It never changes the entries' texts.
//
// Refresh keeps the items of entries still listed where they are (also
// after a sort), drops the items of entries gone or no longer valid (all in
// one go, which leaves nothing selected), and appends items for new entries
// in list order. One refresh costs in proportion to the items plus the
// entries (a set of the listed entries stands in for a search of the list
// per item).
//
// The keyed entry collection as a second source, the check images, a
// column map other than 0..9 and selecting an entry from the program are
// not used by the viewer and are left out.
#pragma once

#include <cstdint>

#include "window/list_ctrl.h"

class CEntry;
class CEntryList;

class CSortListCtrl : public CListCtrl {
  public:
    // The control shows at most this many columns.
    static constexpr int kMaxColumns = 10;

    CSortListCtrl();

    // The entry's check state when check images are on, else its data word.
    virtual int GetEntryImage(CEntry* entry);
    virtual CEntry* GetSelectedEntry() { return m_pSelectedEntry; }
    // The item whose data is `entry`, or -1.
    virtual int FindEntryItem(CEntry* entry);
    virtual int GetColumnMap(int index) { return m_nColumnMap[index]; }
    virtual void Refresh();
    // Inserts (index -1 and no item yet), rewrites or, for an entry that is
    // not valid, deletes the entry's item; -1 finds the item first.
    virtual void UpdateEntry(CEntry* entry, int index);
    // Shows `list` (not owned): its columns, then its entries.
    virtual void SetEntryList(CEntryList* list);
    virtual void RebuildColumns();

    using CListCtrl::InsertColumn;
    // A column as wide as its text in the list's font plus 15 pixels;
    // `mask` with LVCF_SUBITEM shows sub-item `sub_item`, or `index` for -1.
    int InsertColumn(int index, const char* text, int sub_item, UINT mask, int format);
    // `count` columns (-1: all) share the client width equally; with
    // `widths`, the columns take those and the last one fills the rest.
    void SizeColumns(int count, const int* widths);
    // The list view's columns, counted by asking for each.
    int GetColumnCount() const;

    // The check state: bits 30 and 31 of the entry's flags, 0 to 3.
    static int GetCheckState(const CEntry* entry);
    static void SetCheckState(CEntry* entry, int state);

    BOOL OnReflectedNotify(const NMHDR* header, LRESULT* result) override;
    BOOL OnNotify(WPARAM id, const NMHDR* header, LRESULT* result) override;

  private:
    // Writes the entry's texts, image and data into item `index`, or into a
    // new item at the end for -1.
    void WriteEntryItem(CEntry* entry, int index);
    void OnItemClick(const NMITEMACTIVATE& click);
    void OnHeaderClick(const NMHEADER& click);
    static int CompareItems(LPARAM first, LPARAM second, LPARAM control);

    CEntryList* m_pEntryList = nullptr;
    int m_nColumnMap[kMaxColumns];
    // Item images are the entries' check states rather than their data
    // words; never on in the viewer (it carries no check images).
    BOOL m_bCheckImages = FALSE;
    int m_nSortColumn = 0;
    int m_nSortDirection = 1;
    CEntry* m_pSelectedEntry = nullptr;
};
