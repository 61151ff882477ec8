#include "window/list_ctrl.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include "window/list_model.h"
#include "window/list_view.h"
#include "window/ui_driver.h"
#include "window/ui_test_hook.h"
#include "window/window_test_support.h"

namespace {

using namespace window_test;
namespace ui = fw::test;

// A list control that records what reached it and may keep clicks to itself.
class RecordingList : public CListCtrl {
  public:
    BOOL OnReflectedNotify(const NMHDR* header, LRESULT* /*result*/) override {
        reflected.push_back(header->code);
        if (header->code == LVN_ITEMCHANGED) {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
            changes.push_back({change->iItem, change->uNewState, change->lParam});
        }
        if (header->code == NM_CLICK) {
            const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(header);
            LVHITTESTINFO hit{{click->ptAction.x, click->ptAction.y}, 0, 0, 0};
            HitTest(&hit);
            clicks.push_back({hit.iItem, hit.flags});
        }
        return consume_clicks && header->code == NM_CLICK;
    }
    BOOL OnNotify(WPARAM id, const NMHDR* header, LRESULT* result) override {
        if (header->code == HDN_ITEMCLICKA && id == 0) {
            const auto* click = reinterpret_cast<const NMHEADER*>(header);
            header_clicks.push_back({click->iItem, click->iButton});
            *result = 0;
            return TRUE;
        }
        return FALSE;
    }

    struct Change {
        int item;
        UINT new_state;
        LPARAM data;
        bool operator==(const Change&) const = default;
    };
    struct Hit {
        int item;
        UINT flags;
        bool operator==(const Hit&) const = default;
    };
    std::vector<int> reflected;
    std::vector<Change> changes;
    std::vector<Hit> clicks;
    std::vector<std::pair<int, int>> header_clicks;
    bool consume_clicks = false;
};

class ListDialog : public TestDialog {
  public:
    BOOL OnNotify(WPARAM id, const NMHDR* header, LRESULT* result) override {
        if (header->code == LVN_KEYDOWN) {
            const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
            keys.push_back({key->wVKey, GetKeyState(VK_CONTROL) < 0});
        }
        return TestDialog::OnNotify(id, header, result);
    }

    RecordingList list;
    RecordingList sorted_list;
    std::vector<std::pair<WORD, bool>> keys;

  protected:
    void DoDataExchange(CDataExchange* dx) override {
        TestDialog::DoDataExchange(dx);
        DDX_Control(dx, kListId, list);
        DDX_Control(dx, kSortedListId, sorted_list);
    }
};

class ListCtrlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dialog_.Create());
        QApplication::setActiveWindow(dialog_.widget());
    }
    int ColumnCount(const CListCtrl& list) {
        int count = 0;
        while (list.GetColumn(count, nullptr)) ++count;
        return count;
    }
    void Fill(CListCtrl& list, const std::vector<std::string>& texts) {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const int item = list.InsertItem(static_cast<int>(i), texts[i]);
            list.SetItemData(item, static_cast<LPARAM>(100 + i));
        }
    }
    // The middle of an item's text, in the list's client coordinates.
    POINT LabelPoint(CListCtrl& list, int item) {
        auto* view = dynamic_cast<fw::ListViewWidget*>(list.widget());
        const QRect rect = view->visualRect(view->Model().index(item, 0));
        const QPoint client = view->ClientFromViewport(rect.center() + QPoint(rect.width() / 4, 0));
        return {client.x(), client.y()};
    }
    void ClickAt(CListCtrl& list, POINT client) {
        auto* view = dynamic_cast<fw::ListViewWidget*>(list.widget());
        const QPoint point = view->ViewportFromClient(QPoint(client.x, client.y));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, point);
    }

    TestResourcesScope resources_;
    fw::UiTestHook hook_;
    ListDialog dialog_;
};

TEST_F(ListCtrlTest, ColumnsAreInsertedCountedSizedAndDeleted) {
    CListCtrl& list = dialog_.list;
    EXPECT_EQ(0, ColumnCount(list));
    EXPECT_EQ(0, list.InsertColumn(0, "Table", LVCFMT_LEFT, 80));
    EXPECT_EQ(1, list.InsertColumn(1, "Column", LVCFMT_RIGHT, 60));
    EXPECT_EQ(2, list.InsertColumn(7, "Row", LVCFMT_CENTER, -1, 5));  // past the end: appended
    // Only the fields the mask names count.
    LVCOLUMN unmasked{LVCF_TEXT, LVCFMT_RIGHT, 70, const_cast<LPSTR>("Key"), 0, 9};
    EXPECT_EQ(3, list.InsertColumn(3, &unmasked));
    EXPECT_EQ(4, ColumnCount(list));
    EXPECT_EQ(80, list.GetColumnWidth(0));
    EXPECT_NE(70, list.GetColumnWidth(3));
    EXPECT_TRUE(list.SetColumnWidth(2, 33));
    EXPECT_EQ(33, list.GetColumnWidth(2));
    EXPECT_FALSE(list.SetColumnWidth(2, -1));
    EXPECT_FALSE(list.SetColumnWidth(4, 10));

    char text[4];
    LVCOLUMN record{LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM, -7, 0, text, sizeof text, 0};
    ASSERT_TRUE(list.GetColumn(1, &record));
    EXPECT_STREQ("Col", text);  // cut to the buffer
    EXPECT_EQ(60, record.cx);
    EXPECT_EQ(1, record.iSubItem);
    EXPECT_EQ(-7, record.fmt);
    // Each column's format, its sub-item and how the view aligns it.
    const struct {
        int format, sub_item;
        Qt::Alignment alignment;
    } expected[] = {{LVCFMT_LEFT, 0, Qt::AlignLeft},
                    {LVCFMT_RIGHT, 1, Qt::AlignRight},
                    {LVCFMT_CENTER, 5, Qt::AlignHCenter},
                    {LVCFMT_LEFT, 3, Qt::AlignLeft}};
    const fw::ListModel& model = dynamic_cast<fw::ListViewWidget*>(list.widget())->Model();
    char no_room[] = "zz";
    for (int column = 0; column < 4; ++column) {
        LVCOLUMN asked{LVCF_FMT | LVCF_SUBITEM | LVCF_TEXT, -7, -7, no_room, 0, -7};
        ASSERT_TRUE(list.GetColumn(column, &asked));
        EXPECT_EQ(expected[column].format, asked.fmt);
        EXPECT_EQ(expected[column].sub_item, asked.iSubItem);
        EXPECT_EQ(-7, asked.cx);
        const Qt::Alignment alignment = expected[column].alignment | Qt::AlignVCenter;
        EXPECT_EQ(
            alignment,
            model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>());
    }
    EXPECT_STREQ("zz", no_room);
    EXPECT_EQ("Key", model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString());
    EXPECT_FALSE(model.headerData(4, Qt::Horizontal, Qt::DisplayRole).isValid());
    EXPECT_FALSE(model.headerData(0, Qt::Vertical, Qt::DisplayRole).isValid());

    EXPECT_FALSE(list.DeleteColumn(4));
    EXPECT_FALSE(list.DeleteColumn(-1));
    EXPECT_TRUE(list.DeleteColumn(1));
    EXPECT_TRUE(list.DeleteColumn(0));
    EXPECT_EQ(2, ColumnCount(list));
    ASSERT_TRUE(list.GetColumn(0, &record));
    EXPECT_STREQ("Row", text);
    EXPECT_GT(list.GetStringWidth("abcdef"), list.GetStringWidth("abc"));
    EXPECT_EQ(0, list.GetStringWidth(""));
}

TEST_F(ListCtrlTest, ItemsHoldTextsImagesAndData) {
    CListCtrl& list = dialog_.list;
    list.InsertColumn(0, "A", LVCFMT_LEFT, 50);
    list.InsertColumn(1, "B", LVCFMT_LEFT, 50);
    EXPECT_EQ(0, list.InsertItem(0, "first", 3));
    EXPECT_EQ(1, list.InsertItem(99, "second"));  // past the end: appended
    EXPECT_EQ(0, list.InsertItem(0, "zeroth"));
    EXPECT_TRUE(list.SetItemText(1, 1, "sub"));
    EXPECT_TRUE(list.SetItemData(1, 4711));
    EXPECT_EQ(3, list.GetItemCount());
    EXPECT_EQ("zeroth", list.GetItemText(0, 0));
    EXPECT_EQ("first", list.GetItemText(1, 0));
    EXPECT_EQ("sub", list.GetItemText(1, 1));
    EXPECT_EQ("", list.GetItemText(2, 1));
    EXPECT_EQ(3, list.GetItemImage(1));
    EXPECT_EQ(4711, list.GetItemData(1));
    // What the view shows: the texts, as tips too, and nothing outside.
    const fw::ListModel& model = dynamic_cast<fw::ListViewWidget*>(list.widget())->Model();
    EXPECT_EQ("sub", model.data(model.index(1, 1), Qt::DisplayRole).toString());
    EXPECT_EQ("sub", model.data(model.index(1, 1), Qt::ToolTipRole).toString());
    EXPECT_FALSE(model.data({}, Qt::DisplayRole).isValid());
    for (const auto& [item, column] : std::vector<std::pair<int, int>>{{-1, 0}, {3, 0}, {0, 2}})
        EXPECT_EQ("", model.CellText(item, column));
    EXPECT_EQ("zeroth", model.data(model.index(0, 0), Qt::DisplayRole).toString());
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    EXPECT_TRUE(list.SetItemText(2, 1, "redrawn"));
    ASSERT_EQ(1, changed.count());
    EXPECT_EQ(model.index(2, 1), changed[0][1].toModelIndex());

    // Rewriting an item keeps its place.
    LVITEM rewrite{LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM, 1, 0, 0, 0,
                   const_cast<LPSTR>("again"),          0, 1, 99};
    EXPECT_TRUE(list.SetItem(&rewrite));
    EXPECT_EQ("again", list.GetItemText(1, 0));
    EXPECT_EQ("sub", list.GetItemText(1, 1));
    EXPECT_EQ(99, list.GetItemData(1));

    // Refusals.
    EXPECT_EQ(-1, list.InsertItem(-1, "x"));
    EXPECT_FALSE(list.SetItemText(3, 0, "x"));
    EXPECT_FALSE(list.SetItemText(0, -1, "x"));
    LVITEM unmasked{LVIF_TEXT, 3, 0, LVIS_SELECTED, LVIS_SELECTED, const_cast<LPSTR>("third"),
                    0,         7, 77};
    EXPECT_EQ(3, list.InsertItem(&unmasked));
    EXPECT_EQ(0, list.GetItemData(3));
    EXPECT_EQ(0, list.GetItemImage(3));
    EXPECT_EQ(0u, list.GetItemState(3, LVIS_SELECTED));
    LVITEM selected{LVIF_TEXT | LVIF_STATE,
                    4,
                    0,
                    LVIS_SELECTED,
                    LVIS_SELECTED,
                    const_cast<LPSTR>("fourth"),
                    0,
                    0,
                    0};
    EXPECT_EQ(4, list.InsertItem(&selected));
    EXPECT_EQ(UINT{LVIS_SELECTED}, list.GetItemState(4, LVIS_SELECTED));
    EXPECT_TRUE(list.DeleteItem(4));
    EXPECT_FALSE(list.DeleteItem(4));
    EXPECT_EQ("", list.GetItemText(-1, 0));

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ("again", list.GetItemText(0, 0));
    EXPECT_EQ(0, list.DeleteItems([](LPARAM data) { return data == 5; }));
    EXPECT_EQ(1, list.DeleteItems([](LPARAM data) { return data == 99; }));
    EXPECT_EQ("second", list.GetItemText(0, 0));
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}

TEST_F(ListCtrlTest, ItemsAreFoundByDataOrText) {
    CListCtrl& list = dialog_.list;
    list.InsertColumn(0, "A");
    Fill(list, {"one", "two", "ONE"});
    LVFINDINFO by_data{LVFI_PARAM, nullptr, 101};
    EXPECT_EQ(1, list.FindItem(&by_data));
    EXPECT_EQ(-1, list.FindItem(&by_data, 1));  // the search starts after `start`
    by_data.lParam = 5;
    EXPECT_EQ(-1, list.FindItem(&by_data));
    LVFINDINFO by_text{LVFI_STRING, "one", 0};
    EXPECT_EQ(0, list.FindItem(&by_text));
    EXPECT_EQ(2, list.FindItem(&by_text, 0));
}

int CompareData(LPARAM a, LPARAM b, LPARAM direction) {
    // Only the hundreds count, so that ties show whether order is kept.
    const int order = static_cast<int>(a / 100) - static_cast<int>(b / 100);
    return order * static_cast<int>(direction);
}

TEST_F(ListCtrlTest, SortingUsesTheCallbackAndKeepsTiesAndSelection) {
    CListCtrl& list = dialog_.list;
    list.InsertColumn(0, "A");
    const std::vector<LPARAM> data{301, 101, 302, 201, 102};
    for (std::size_t i = 0; i < data.size(); ++i) {
        list.InsertItem(static_cast<int>(i), std::to_string(data[i]));
        list.SetItemData(static_cast<int>(i), data[i]);
    }
    list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);  // "201"
    ASSERT_TRUE(list.SortItems(CompareData, 1));
    std::vector<std::string> order;
    for (int i = 0; i < list.GetItemCount(); ++i) order.push_back(list.GetItemText(i, 0));
    EXPECT_EQ((std::vector<std::string>{"101", "102", "201", "301", "302"}), order);
    EXPECT_EQ(2, list.GetNextItem(-1, LVNI_SELECTED));

    ASSERT_TRUE(list.SortItems(CompareData, -1));
    order.clear();
    for (int i = 0; i < list.GetItemCount(); ++i) order.push_back(list.GetItemText(i, 0));
    EXPECT_EQ((std::vector<std::string>{"301", "302", "201", "101", "102"}), order);
    EXPECT_EQ(2, list.GetNextItem(-1, LVNI_SELECTED));
    // The search starts after the item it is given.
    EXPECT_EQ(-1, list.GetNextItem(2, LVNI_SELECTED));
    EXPECT_EQ(3, list.GetNextItem(2, LVNI_ALL));
}

TEST_F(ListCtrlTest, SelectionChangesAreToldToTheControlThenTheDialog) {
    RecordingList& list = dialog_.list;
    list.InsertColumn(0, "A", LVCFMT_LEFT, 100);
    Fill(list, {"one", "two"});
    dialog_.notifications.clear();
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);  // single selection: 0 lets go
    EXPECT_EQ(0u, list.GetItemState(0, LVIS_SELECTED));
    EXPECT_EQ(unsigned{LVIS_SELECTED}, list.GetItemState(1, LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ((std::vector<RecordingList::Change>{
                  {0, LVIS_SELECTED, 100}, {0, 0, 100}, {1, LVIS_SELECTED, 101}}),
              list.changes);
    EXPECT_EQ((std::vector<int>{LVN_ITEMCHANGED, LVN_ITEMCHANGED, LVN_ITEMCHANGED}),
              dialog_.notifications);

    // Focus goes only where it is asked for; item -1 stands for all.
    list.SetItemState(0, LVIS_FOCUSED, LVIS_FOCUSED);
    list.SetItemState(1, 0, LVIS_FOCUSED);
    EXPECT_EQ(unsigned{LVIS_FOCUSED}, list.GetItemState(0, LVIS_FOCUSED));
    list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(-1, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(0u, list.GetItemState(0, LVIS_FOCUSED));
}

TEST_F(ListCtrlTest, AClickIsHitTestedAndReachesTheDialogUnlessTheControlKeepsIt) {
    RecordingList& list = dialog_.list;
    list.InsertColumn(0, "A", LVCFMT_LEFT, 100);
    Fill(list, {"one", "two"});
    dialog_.notifications.clear();
    ClickAt(list, LabelPoint(list, 1));
    ASSERT_EQ(1u, list.clicks.size());
    EXPECT_EQ((RecordingList::Hit{1, LVHT_ONITEMLABEL}), list.clicks[0]);
    // Pressing selected the item (told first), releasing clicked it.
    EXPECT_EQ((std::vector<int>{LVN_ITEMCHANGED, NM_CLICK}), list.reflected);
    EXPECT_EQ((std::vector<int>{LVN_ITEMCHANGED, NM_CLICK}), dialog_.notifications);

    list.consume_clicks = true;
    ClickAt(list, LabelPoint(list, 0));
    EXPECT_EQ(NM_CLICK, list.reflected.back());
    EXPECT_EQ(LVN_ITEMCHANGED, dialog_.notifications.back());

    // Let go of its list, the control hears nothing more of it.
    const POINT label = LabelPoint(list, 1);
    auto* view = dynamic_cast<fw::ListViewWidget*>(list.widget());
    list.DetachWidget();
    const std::size_t heard = list.reflected.size();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      view->ViewportFromClient(QPoint(label.x, label.y)));
    EXPECT_EQ(heard, list.reflected.size());
}

TEST_F(ListCtrlTest, HitTestsTellTheIconFromTheTextAndNowhere) {
    RecordingList& list = dialog_.list;
    list.InsertColumn(0, "A", LVCFMT_LEFT, 100);
    Fill(list, {"one", "two"});
    // Without images there is no icon to hit.
    LVHITTESTINFO hit{LabelPoint(list, 0), 0, 0, 0};
    EXPECT_EQ(0, list.HitTest(&hit));
    EXPECT_EQ(unsigned{LVHT_ONITEMLABEL}, hit.flags);

    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, 0, 2, 0));
    ASSERT_EQ(0, images.Add(fw::LoadIconResource(kIconId)));
    list.SetImageList(&images, LVSIL_SMALL);
    EXPECT_EQ(&images, list.GetImageList(LVSIL_SMALL));
    auto* view = dynamic_cast<fw::ListViewWidget*>(list.widget());
    const QRect icon = view->IconRect(1);
    ASSERT_FALSE(icon.isEmpty());
    const QPoint on_icon = view->ClientFromViewport(icon.center());
    ClickAt(list, {on_icon.x(), on_icon.y()});
    EXPECT_EQ((RecordingList::Hit{1, LVHT_ONITEMICON}), list.clicks.back());

    // Below the last item: nowhere, and the click still reaches the control.
    CRect client;
    list.GetClientRect(&client);
    const QPoint below = view->ClientFromViewport(QPoint(5, client.bottom - 2));
    ClickAt(list, {below.x(), below.y()});
    EXPECT_EQ((RecordingList::Hit{-1, LVHT_NOWHERE}), list.clicks.back());

    // The view shows an item's image in its first column, if there is one.
    const fw::ListModel& model = view->Model();
    list.InsertItem(2, "far", 5);
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isNull());
    for (const QModelIndex& none : {model.index(2, 0), model.index(0, 1)})
        EXPECT_TRUE(model.data(none, Qt::DecorationRole).isNull());
    // New images redraw every item's first column.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    list.SetImageList(nullptr, LVSIL_SMALL);
    ASSERT_EQ(1, changed.count());
    EXPECT_EQ(model.index(0, 0), changed[0][0].toModelIndex());
    EXPECT_EQ(model.index(2, 0), changed[0][1].toModelIndex());
}

// Null arguments, and a control with no list view behind it (none, or
// another kind of control), are refused without a crash.
TEST_F(ListCtrlTest, NullArgumentsAndAMissingListViewAreRefused) {
    CListCtrl loose;
    CListCtrl on_edit;
    on_edit.AttachWidget(dialog_.GetDlgItem(kEditId)->widget(), kEditId);
    for (CListCtrl* list : {static_cast<CListCtrl*>(&dialog_.list), &loose, &on_edit}) {
        EXPECT_EQ(-1, list->InsertColumn(0, nullptr));
        EXPECT_EQ(-1, list->InsertItem(nullptr));
        EXPECT_FALSE(list->SetItem(nullptr));
        EXPECT_EQ(0, list->DeleteItems(nullptr));
        EXPECT_EQ(-1, list->FindItem(nullptr));
        EXPECT_FALSE(list->SortItems(nullptr, 0));
        EXPECT_EQ(-1, list->HitTest(nullptr));
        list->GetClientRect(nullptr);
    }
    for (CListCtrl* list : {&loose, &on_edit}) {
        LVCOLUMN column{LVCF_TEXT, 0, 0, const_cast<LPSTR>("A"), 0, 0};
        LVITEM item{LVIF_TEXT, 0, 0, 0, 0, const_cast<LPSTR>("a"), 0, 0, 0};
        LVFINDINFO find{LVFI_PARAM, nullptr, 0};
        LVHITTESTINFO hit{{1, 1}, 0, 0, 0};
        EXPECT_EQ(-1, list->InsertColumn(0, &column));
        EXPECT_FALSE(list->DeleteColumn(0));
        EXPECT_FALSE(list->GetColumn(0, nullptr));
        EXPECT_EQ(0, list->GetColumnWidth(0));
        EXPECT_FALSE(list->SetColumnWidth(0, 10));
        EXPECT_EQ(-1, list->InsertItem(&item));
        EXPECT_FALSE(list->SetItem(&item));
        EXPECT_EQ(0, list->GetItemCount());
        EXPECT_EQ("", list->GetItemText(0, 0));
        EXPECT_EQ(0, list->GetItemData(0));
        EXPECT_EQ(-1, list->GetItemImage(0));
        EXPECT_FALSE(list->DeleteItem(0));
        EXPECT_FALSE(list->DeleteAllItems());
        EXPECT_EQ(0, list->DeleteItems([](LPARAM) { return true; }));
        EXPECT_EQ(-1, list->FindItem(&find));
        EXPECT_FALSE(list->SortItems(CompareData, 1));
        EXPECT_EQ(-1, list->HitTest(&hit));
        EXPECT_EQ(0u, list->GetItemState(0, LVIS_SELECTED));
        EXPECT_FALSE(list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED));
        EXPECT_EQ(-1, list->GetNextItem(-1, LVNI_ALL));
        EXPECT_FALSE(list->EnsureVisible(0, FALSE));
        CRect client{1, 1, 5, 5};
        list->GetClientRect(&client);
        EXPECT_EQ(0, client.right);
        EXPECT_EQ(0, client.left);
        EXPECT_EQ(nullptr, list->SetImageList(nullptr, LVSIL_SMALL));
        EXPECT_EQ(nullptr, list->GetImageList(LVSIL_SMALL));
    }
    EXPECT_EQ(0, loose.GetStringWidth("abc"));
    on_edit.DetachWidget();
}

TEST_F(ListCtrlTest, HeaderClicksReachTheControlWithTheirButton) {
    RecordingList& list = dialog_.sorted_list;
    list.InsertColumn(0, "A", LVCFMT_LEFT, 50);
    list.InsertColumn(1, "B", LVCFMT_LEFT, 50);
    QHeaderView* header = dynamic_cast<fw::ListViewWidget*>(list.widget())->header();
    const QPoint second(header->sectionViewportPosition(1) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, second);
    QTest::mouseClick(header->viewport(), Qt::RightButton, Qt::NoModifier, second);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 0}, {1, 1}}), list.header_clicks);
}

TEST_F(ListCtrlTest, AHeaderWithoutSortButtonsSendsNothing) {
    RecordingList& list = dialog_.list;  // LVS_NOSORTHEADER
    list.InsertColumn(0, "A", LVCFMT_LEFT, 50);
    QHeaderView* header = dynamic_cast<fw::ListViewWidget*>(list.widget())->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    QTest::mouseClick(header->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(10, 5));
    EXPECT_TRUE(list.header_clicks.empty());
}

TEST_F(ListCtrlTest, KeysReachTheDialogWithTheModifiersHeldAtTheTime) {
    RecordingList& list = dialog_.list;
    list.InsertColumn(0, "A", LVCFMT_LEFT, 50);
    Fill(list, {"one"});
    list.SetFocus();
    ui::PressChar('c', ui::kControl);
    ui::PressChar('x');
    EXPECT_EQ((std::vector<std::pair<WORD, bool>>{{'C', true}, {'X', false}}), dialog_.keys);
    // Once the key is handled, Ctrl is up again.
    EXPECT_EQ(0, GetKeyState(VK_CONTROL) & 0x8000);
}

TEST_F(ListCtrlTest, TheClientAreaIsTheItemAreaAndShrinksForAScrollBar) {
    CListCtrl& list = dialog_.list;
    list.InsertColumn(0, "A");
    CRect before;
    list.GetClientRect(&before);
    EXPECT_GT(before.Width(), 0);
    EXPECT_LT(before.Width(), list.widget()->width());
    for (int i = 0; i < 200; ++i) list.InsertItem(i, "row");
    QApplication::processEvents();
    CRect after;
    list.GetClientRect(&after);
    EXPECT_LE(after.Width(), before.Width());
    EXPECT_TRUE(list.EnsureVisible(199, FALSE));
    EXPECT_FALSE(list.EnsureVisible(200, FALSE));
}

// Qt's own checker of models watches the list's model through every kind of
// change: a flat table whose items have no children, whose signals name the
// rows and columns that changed.
std::vector<std::string> model_complaints;

TEST(ListModelTest, EveryChangeKeepsTheRulesOfQtsModels) {
    model_complaints.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
            model_complaints.push_back(text.toStdString());
        });
    {
        fw::ListModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        model.SetImages(nullptr);
        model.InsertColumn(0, {"Name"});
        model.InsertColumn(1, {"Size", 1, 1});
        model.InsertItem(0, {{"b", "2"}});
        model.InsertItem(5, {{"a", "1"}});
        model.InsertItem(1, {{"c", "3"}});
        model.ChangeItem(1, [](fw::ListItem& item) { item.texts[1] = "30"; });
        model.Sort([](const fw::ListItem& x, const fw::ListItem& y) { return x.texts < y.texts; });
        model.DeleteItem(2);
        model.DeleteItemsIf([](const fw::ListItem& item) { return item.texts[0] == "a"; });
        model.DeleteColumn(0);
        model.DeleteAllItems();
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(model_complaints.empty()) << model_complaints.front();
}

}  // namespace
