// CSortListCtrl over an entry list, on a real list view (Qt's offscreen
// platform) with a sort header, clicked as a person would.
#include "sort_list_ctrl.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include "entry_list.h"
#include "string_array_entry.h"
#include "window/data_exchange.h"
#include "window/dialog.h"
#include "window/list_view.h"
#include "window/styles.h"
#include "window/ui_test_hook.h"

namespace {

constexpr int kDialog = 300;
constexpr int kList = 1004;
constexpr int kIcon = 128;

const fw::ResourceTable& ListResources() {
    static const fw::ResourceTable table = [] {
        fw::ResourceTable resources;
        resources.dialogs[kDialog] = {
            "Sorting",
            300,
            150,
            DS_MODALFRAME | WS_CAPTION | WS_SYSMENU,
            {{kList, fw::ControlKind::kListView, "", 5, 5, 290, 140,
              LVS_REPORT | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP}},
        };
        resources.icons[kIcon] = {":/deltalens/icons/deltalens-16.png"};
        return resources;
    }();
    return table;
}

class ListDialog : public CDialog {
  public:
    ListDialog() : CDialog(kDialog) {}
    CSortListCtrl list;

  protected:
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, kList, list); }
};

class SortListCtrlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fw::UseResources(&ListResources());
        ASSERT_TRUE(dialog_.Create());
        entries_.SetColumnName(0, "Name");
        entries_.SetColumnName(1, "Size");
        entries_.SetColumnName(2, "Kind");
    }

    CEntry* Add(const char* name, const char* size = "", const char* kind = "") {
        auto* entry = new CStringArrayEntry(name, size, kind);
        entries_.AddEntry(entry);
        return entry;
    }
    // What a column of the view shows, top to bottom.
    std::vector<std::string> Shown(int column = 0) {
        std::vector<std::string> texts;
        for (int item = 0; item < list().GetItemCount(); ++item)
            texts.push_back(View()
                                .Model()
                                .data(View().Model().index(item, column), Qt::DisplayRole)
                                .toString()
                                .toStdString());
        return texts;
    }
    fw::ListViewWidget& View() { return *dynamic_cast<fw::ListViewWidget*>(list().widget()); }
    void ClickHeader(int column, Qt::MouseButton button = Qt::LeftButton) {
        QHeaderView* header = View().header();
        const QPoint point(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), button, Qt::NoModifier, point);
    }
    void ClickItem(int item, bool on_icon) {
        const QRect icon = View().IconRect(item);
        const QRect row = View().visualRect(View().Model().index(item, 0));
        const QPoint point = on_icon ? icon.center() : QPoint(row.right() - 3, row.center().y());
        QTest::mouseClick(View().viewport(), Qt::LeftButton, Qt::NoModifier, point);
    }
    CSortListCtrl& list() { return dialog_.list; }

    fw::UiTestHook hook_;
    CEntryList entries_;
    ListDialog dialog_;
};

TEST_F(SortListCtrlTest, ColumnsFollowTheListsNamesAndItsTextWidths) {
    list().SetEntryList(&entries_);
    ASSERT_EQ(3, list().GetColumnCount());
    char name[16];
    LVCOLUMN column{LVCF_TEXT, 0, 0, name, sizeof name, 0};
    ASSERT_TRUE(list().GetColumn(1, &column));
    EXPECT_STREQ("Size", name);
    EXPECT_EQ(list().GetStringWidth("Name") + 15, list().GetColumnWidth(0));
    EXPECT_EQ(list().GetStringWidth("Kind") + 15, list().GetColumnWidth(2));
    // A new entry list rebuilds them.
    CEntryList other;
    other.SetColumnName(0, "Only");
    list().SetEntryList(&other);
    EXPECT_EQ(1, list().GetColumnCount());
}

TEST_F(SortListCtrlTest, WithoutColumnNamesOrAListEachValidEntryStillHasAnEmptyItem) {
    CEntryList unnamed;
    unnamed.AddEntry(new CStringArrayEntry("a", "b"));
    unnamed.AddEntry(new CStringArrayEntry("c"));
    list().SetEntryList(&unnamed);
    EXPECT_EQ(0, list().GetColumnCount());
    EXPECT_EQ(2, list().GetItemCount());
    EXPECT_EQ("", list().GetItemText(0, 0));
    list().SetEntryList(nullptr);
    CStringArrayEntry loose("x");
    list().UpdateEntry(&loose, -1);
    EXPECT_EQ("", list().GetItemText(list().FindEntryItem(&loose), 0));
    list().SetEntryList(nullptr);
}

TEST_F(SortListCtrlTest, InvalidEntriesAreNeverShownAndLoseTheirItems) {
    CEntry* hidden = Add("hidden");
    hidden->SetFlags(0x80000000u, true);
    CEntry* later = Add("later");
    Add("kept");
    list().SetEntryList(&entries_);
    EXPECT_EQ((std::vector<std::string>{"later", "kept"}), Shown());
    later->SetFlags(0x80000000u, true);
    list().Refresh();
    EXPECT_EQ((std::vector<std::string>{"kept"}), Shown());
    EXPECT_EQ(-1, list().FindEntryItem(later));
}

TEST_F(SortListCtrlTest, RefreshKeepsTheShownOrderAndAppendsNewEntriesInListOrder) {
    Add("b");
    CEntry* a = Add("a");
    Add("c");
    list().SetEntryList(&entries_);
    ClickHeader(1);  // sorts by the empty Size column ascending: order stays
    ClickHeader(0);  // Name, ascending (direction kept from the last click)
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), Shown());
    Add("z");
    Add("d");
    static_cast<CStringArrayEntry*>(a)->SetFieldText(2, "renamed kind");
    list().Refresh();
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "z", "d"}), Shown());
    // A kept item shows its entry's texts as they are now.
    EXPECT_EQ("renamed kind", list().GetItemText(0, 2));
    // An entry gone from the list loses its item; the rest stay where they are.
    entries_.Remove(a);
    delete a;
    list().Refresh();
    EXPECT_EQ((std::vector<std::string>{"b", "c", "z", "d"}), Shown());
}

TEST_F(SortListCtrlTest, AnEntryListedTwiceHasOneItem) {
    CEntry* twice = Add("twice");
    entries_.AddTail(twice);
    list().SetEntryList(&entries_);
    EXPECT_EQ(1, list().GetItemCount());
    list().Refresh();
    EXPECT_EQ(1, list().GetItemCount());
}

TEST_F(SortListCtrlTest, HeaderClicksSortByTextOneDirectionPerColumn) {
    Add("Beta", "10", "x");
    Add("alpha", "9", "Y");
    Add("gamma", "2", "y");
    Add("ALPHA", "1", "z");
    list().SetEntryList(&entries_);
    // Column 0 starts ascending, so its first click sorts it descending;
    // letter case does not count.
    ClickHeader(0);
    EXPECT_EQ((std::vector<std::string>{"gamma", "Beta", "alpha", "ALPHA"}), Shown());
    // Another column keeps the direction: Size descending, as text.
    ClickHeader(1);
    EXPECT_EQ((std::vector<std::string>{"9", "2", "10", "1"}), Shown(1));
    // The same column again turns it round: "10" sorts before "9".
    ClickHeader(1);
    EXPECT_EQ((std::vector<std::string>{"1", "10", "2", "9"}), Shown(1));
    // Equal texts but for case keep their order among each other (the
    // Size order had gamma's "y" before alpha's "Y").
    ClickHeader(2);
    EXPECT_EQ((std::vector<std::string>{"x", "y", "Y", "z"}), Shown(2));
}

TEST_F(SortListCtrlTest, ARightClickOnTheHeaderDoesNotSort) {
    Add("b");
    Add("a");
    list().SetEntryList(&entries_);
    ClickHeader(0, Qt::RightButton);
    ClickHeader(0, Qt::MiddleButton);
    EXPECT_EQ((std::vector<std::string>{"b", "a"}), Shown());
}

TEST_F(SortListCtrlTest, AClickOnTheIconTogglesTheCheckStateUnlessItIsTwo) {
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, 0, 1, 0));
    ASSERT_EQ(0, images.Add(fw::LoadIconResource(kIcon)));
    list().SetImageList(&images, LVSIL_SMALL);
    CEntry* first = Add("first");
    CEntry* second = Add("second");
    first->SetFlags(0x00000005u, true);  // bits of its own, untouched by the check state
    list().SetEntryList(&entries_);
    ClickItem(0, true);
    EXPECT_EQ(1, CSortListCtrl::GetCheckState(first));
    EXPECT_EQ(0x40000005u, first->GetFlags());
    ClickItem(0, true);
    EXPECT_EQ(0, CSortListCtrl::GetCheckState(first));
    EXPECT_EQ(0x00000005u, first->GetFlags());
    // A click on the text does not toggle.
    ClickItem(1, false);
    EXPECT_EQ(0, CSortListCtrl::GetCheckState(second));
    // A toggled entry's own item is written again, not another.
    ClickItem(1, true);
    EXPECT_EQ(1, CSortListCtrl::GetCheckState(second));
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), Shown());
    // State 2 stays. It sets the top bit, which makes a plain entry not
    // valid (and so not shown): an entry that stays valid shows it.
    class AlwaysValid : public CStringArrayEntry {
      public:
        using CStringArrayEntry::CStringArrayEntry;
        bool IsValid() const override { return true; }
    };
    auto* fixed = new AlwaysValid("fixed");
    CSortListCtrl::SetCheckState(fixed, 2);
    entries_.AddEntry(fixed);
    list().Refresh();
    ClickItem(2, true);
    EXPECT_EQ(2, CSortListCtrl::GetCheckState(fixed));
    list().SetImageList(nullptr, LVSIL_SMALL);
}

TEST_F(SortListCtrlTest, TheSelectedEntryFollowsTheSelectionAndRefreshForgetsIt) {
    Add("one");
    CEntry* two = Add("two");
    list().SetEntryList(&entries_);
    EXPECT_EQ(nullptr, list().GetSelectedEntry());
    ClickItem(1, false);
    EXPECT_EQ(two, list().GetSelectedEntry());
    list().SetItemState(1, 0, LVIS_SELECTED);
    EXPECT_EQ(nullptr, list().GetSelectedEntry());
    ClickItem(1, false);
    list().Refresh();
    EXPECT_EQ(nullptr, list().GetSelectedEntry());
    // The view agrees: no row shows as selected.
    EXPECT_FALSE(View().selectionModel()->hasSelection());
    EXPECT_EQ(-1, list().GetNextItem(-1, LVNI_SELECTED));
}

TEST_F(SortListCtrlTest, SizeColumnsSharesTheClientWidthOrFillsTheLastColumn) {
    list().SetEntryList(&entries_);
    CRect client;
    list().GetClientRect(&client);
    const int width = client.right;
    list().SizeColumns(-1, nullptr);
    for (int column = 0; column < 3; ++column) EXPECT_EQ(width / 3, list().GetColumnWidth(column));
    const int widths[] = {40, 60, 10};
    list().SizeColumns(3, widths);
    EXPECT_EQ(40, list().GetColumnWidth(0));
    EXPECT_EQ(60, list().GetColumnWidth(1));
    EXPECT_EQ(width - 100, list().GetColumnWidth(2));
    // When the given widths fill the client area, the last keeps its own.
    const int wide[] = {width, 50, 70};
    list().SizeColumns(3, wide);
    EXPECT_EQ(70, list().GetColumnWidth(2));
    // Two of three columns share the width; the third is left alone.
    list().SizeColumns(2, nullptr);
    EXPECT_EQ(width / 2, list().GetColumnWidth(1));
    EXPECT_EQ(70, list().GetColumnWidth(2));
}

TEST_F(SortListCtrlTest, UpdateEntryInsertsRewritesAndDeletes) {
    list().SetEntryList(&entries_);
    CStringArrayEntry entry("solo", "1");
    list().UpdateEntry(&entry, -1);
    ASSERT_EQ(0, list().FindEntryItem(&entry));
    list().UpdateEntry(nullptr, -1);
    entry.SetFieldText(1, "2");
    list().UpdateEntry(&entry, -1);
    EXPECT_EQ(1, list().GetItemCount());
    EXPECT_EQ("2", list().GetItemText(0, 1));
    entry.SetFlags(0x80000000u, true);
    list().UpdateEntry(&entry, -1);
    EXPECT_EQ(0, list().GetItemCount());
}

// Emptied, the list's items go in one step (the view hears of it once), not
// one by one, which would cost the square of their number.
TEST_F(SortListCtrlTest, ATenThousandEntryListFillsInOneRefreshAndEmptiesInOneStep) {
    list().SetEntryList(&entries_);
    for (int i = 0; i < 10000; ++i) Add(std::to_string(i).c_str(), "size", "kind");
    list().Refresh();
    ASSERT_EQ(10000, list().GetItemCount());
    EXPECT_EQ("9999", list().GetItemText(9999, 0));
    EXPECT_EQ("kind", list().GetItemText(5000, 2));

    CEntry* kept = Add("kept");
    list().Refresh();
    // Every entry but one leaves the list and is destroyed.
    for (POSITION position = entries_.GetHeadPosition(); position != nullptr;) {
        const POSITION here = position;
        CObject* entry = entries_.GetNext(position);
        if (entry == kept) continue;
        entries_.RemoveAt(here);
        delete entry;
    }
    QSignalSpy removed(&View().Model(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&View().Model(), &QAbstractItemModel::modelReset);
    list().Refresh();
    EXPECT_EQ((std::vector<std::string>{"kept"}), Shown());
    EXPECT_EQ(0, removed.count());
    EXPECT_EQ(1, reset.count());
}

}  // namespace
