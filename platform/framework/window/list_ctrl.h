// CListCtrl: a report-style list (columns with a header, one row per item),
// operated as the platform's list view is: by index, with item and column
// records, item data, a comparison callback for sorting, hit testing, and
// notifications.
//
// Notifications (notify.h) about items (NM_CLICK, LVN_ITEMCHANGED,
// LVN_KEYDOWN) reach the control first (OnReflectedNotify) and then, unless
// it consumed them, its dialog's OnNotify. Header item clicks
// (HDN_ITEMCLICKA, with the button) reach the control's OnNotify as coming
// from its header, child id 0; a list with LVS_NOSORTHEADER has a header
// that is no button and sends none. LVN_ITEMCHANGED reports changes of the
// selected state.
//
// Client coordinates start at the top left inside the border, header
// included, as on the platform.
#pragma once

#include <functional>
#include <string>

#include "window/image_list.h"
#include "window/notify.h"
#include "window/wnd.h"

namespace fw {
class ListViewWidget;
}

// Column records.
#define LVCF_FMT 0x0001u
#define LVCF_WIDTH 0x0002u
#define LVCF_TEXT 0x0004u
#define LVCF_SUBITEM 0x0008u
#define LVCFMT_LEFT 0
#define LVCFMT_RIGHT 1
#define LVCFMT_CENTER 2

struct LVCOLUMN {
    UINT mask;
    int fmt;
    int cx;
    LPSTR pszText;  // read: the buffer for the text; written: the text
    int cchTextMax;
    int iSubItem;
};

// Item records (LVIF_ bits in notify.h).
struct LVITEM {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
};

// Searches.
#define LVFI_PARAM 0x0001u
#define LVFI_STRING 0x0002u

struct LVFINDINFO {
    UINT flags;
    LPCSTR psz;
    LPARAM lParam;
};

// Hit tests.
#define LVHT_NOWHERE 0x0001u
#define LVHT_ONITEMICON 0x0002u
#define LVHT_ONITEMLABEL 0x0004u
#define LVHT_ONITEMSTATEICON 0x0008u
#define LVHT_ONITEM (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON)

struct LVHITTESTINFO {
    POINT pt;  // client coordinates
    UINT flags;
    int iItem;
    int iSubItem;
};

// GetNextItem.
#define LVNI_ALL 0x0000
#define LVNI_SELECTED 0x0002

// Comparison for SortItems: the two items' data and the caller's value;
// negative, zero or positive.
using PFNLVCOMPARE = int (*)(LPARAM, LPARAM, LPARAM);

class CListCtrl : public CWnd {
  public:
    CListCtrl() = default;
    // The widget stops telling this object about its items.
    ~CListCtrl() override;

    // Columns. InsertColumn returns the new column's index or -1; a width
    // of -1 keeps the platform's default.
    int InsertColumn(int column, const LVCOLUMN* record);
    int InsertColumn(int column, const std::string& heading, int format = LVCFMT_LEFT,
                     int width = -1, int sub_item = -1);
    BOOL DeleteColumn(int column);
    // FALSE for a column that does not exist: the way to count them.
    BOOL GetColumn(int column, LVCOLUMN* record) const;
    int GetColumnWidth(int column) const;
    BOOL SetColumnWidth(int column, int width);
    // The width of `text` in the list's font, in pixels.
    int GetStringWidth(const std::string& text) const;

    // Items. InsertItem returns the new item's index or -1.
    int GetItemCount() const;
    int InsertItem(const LVITEM* record);
    int InsertItem(int item, const std::string& text, int image = 0);
    BOOL SetItem(const LVITEM* record);
    BOOL SetItemText(int item, int sub_item, const std::string& text);
    std::string GetItemText(int item, int sub_item) const;
    LPARAM GetItemData(int item) const;
    BOOL SetItemData(int item, LPARAM data);
    int GetItemImage(int item) const;
    BOOL DeleteItem(int item);
    BOOL DeleteAllItems();
    // Deletes every item whose data `drop` picks, all at once: the view
    // forgets its selection, focus and scroll position as after
    // DeleteAllItems. Returns how many went. (Item by item, emptying a
    // long list would cost its square.)
    int DeleteItems(const std::function<bool(LPARAM data)>& drop);
    // The first item after `start` (-1: from the beginning) that matches.
    int FindItem(const LVFINDINFO* find, int start = -1) const;
    // Orders the items by `compare` of their data; items that compare
    // equal keep their order.
    BOOL SortItems(PFNLVCOMPARE compare, LPARAM data);

    int HitTest(LVHITTESTINFO* info) const;
    UINT GetItemState(int item, UINT mask) const;
    // Item -1 is every item.
    BOOL SetItemState(int item, UINT state, UINT mask);
    int GetNextItem(int item, int flags) const;
    BOOL EnsureVisible(int item, BOOL partial_ok);
    // The item area: the client area below the header, scroll bars excluded.
    void GetClientRect(CRect* rect) const override;

    // The list keeps the image list; its owner keeps it alive.
    CImageList* SetImageList(CImageList* images, int type);
    CImageList* GetImageList(int type) const;

    // A notification about the control's items, before its dialog sees it.
    // TRUE consumes it (*result is the answer); FALSE lets the dialog have it.
    virtual BOOL OnReflectedNotify(const NMHDR* header, LRESULT* result);
    // A notification from the control's own children (its header, id 0).
    virtual BOOL OnNotify(WPARAM id, const NMHDR* header, LRESULT* result);

    void AttachWidget(QWidget* widget, int id) override;
    void DetachWidget() override;

  private:
    fw::ListViewWidget* view() const;
};
