#include "window/dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "core/message_box.h"
#include "window/control_factory.h"
#include "window/dialog_window.h"
#include "window/styles.h"
#include "window/ui_driver.h"
#include "window/ui_test_hook.h"
#include "window/win_app.h"
#include "window/window_test_support.h"

namespace {

using namespace window_test;
namespace ui = fw::test;

class DialogTest : public ::testing::Test {
  protected:
    TestResourcesScope resources_;
    fw::UiTestHook hook_;
};

TEST_F(DialogTest, ControlsStandWhereTheTemplatePutsThemInTheFontsUnits) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QWidget* window = dialog.widget();
    const fw::DialogBaseUnits base = dynamic_cast<fw::DialogWindow*>(window)->BaseUnits();
    // The font's own units: nothing in this template is too long for its box.
    EXPECT_EQ(fw::BaseUnitsOf(*window).x, base.x);
    EXPECT_EQ(fw::BaseUnitsOf(*window).y, base.y);
    ASSERT_GT(base.x, 0);
    EXPECT_EQ(fw::HorizontalPixels(200, base), window->width());
    EXPECT_EQ(fw::VerticalPixels(120, base), window->height());
    // Not resizable.
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_EQ("Test Dialog", dialog.GetWindowText());

    QWidget* edit = dialog.GetDlgItem(kEditId)->widget();
    EXPECT_EQ(QRect(fw::HorizontalPixels(40, base), fw::VerticalPixels(7, base),
                    fw::HorizontalPixels(100, base), fw::VerticalPixels(13, base)),
              edit->geometry());
    // A drop-down list is as high as its closed box; its template height is
    // the room for the open list.
    QWidget* combo = dialog.GetDlgItem(kComboId)->widget();
    EXPECT_EQ(fw::HorizontalPixels(70, base), combo->x());
    EXPECT_LT(combo->height(), fw::VerticalPixels(60, base));
    EXPECT_EQ(nullptr, dialog.GetDlgItem(4242));
}

// Focus, frame and enabled state come from the style, and from the kind of
// control; a drop-down list opens as far as its template reaches, one
// entry at least.
TEST_F(DialogTest, EachControlIsMadeAsItsStyleSays) {
    using fw::ControlKind;
    QWidget dialog;
    const struct {
        ControlKind kind;
        unsigned style;
        Qt::FocusPolicy focus;
        bool enabled;
    } cases[] = {
        {ControlKind::kStatic, WS_TABSTOP, Qt::NoFocus, true},
        {ControlKind::kGroupBox, 0, Qt::NoFocus, true},
        {ControlKind::kEdit, WS_BORDER | WS_TABSTOP, Qt::StrongFocus, true},
        {ControlKind::kPushButton, WS_DISABLED, Qt::ClickFocus, false},
    };
    for (const auto& expected : cases) {
        QWidget* widget =
            fw::CreateControlWidget({7, expected.kind, "x", 0, 0, 40, 12, expected.style}, &dialog);
        ASSERT_NE(nullptr, widget);
        EXPECT_EQ(expected.focus, widget->focusPolicy());
        EXPECT_EQ(expected.enabled, widget->isEnabled());
    }
    for (const unsigned border : {0u, WS_BORDER}) {
        auto* edit = qobject_cast<QLineEdit*>(
            fw::CreateControlWidget({7, ControlKind::kEdit, "", 0, 0, 40, 12, border}, &dialog));
        ASSERT_NE(nullptr, edit);
        EXPECT_EQ(border != 0, edit->hasFrame());
    }
    EXPECT_EQ(nullptr,
              fw::CreateControlWidget({7, static_cast<ControlKind>(99), "", 0, 0, 1, 1}, &dialog));

    const fw::DialogBaseUnits base{6, 13};
    for (const int height : {1, 60}) {
        const fw::ControlTemplate control{7, ControlKind::kComboBox, "", 0, 0, 40, height};
        auto* combo = qobject_cast<QComboBox*>(fw::CreateControlWidget(control, &dialog));
        ASSERT_NE(nullptr, combo);
        fw::PlaceControlWidget(combo, control, base);
        const int room = fw::VerticalPixels(height, base) - combo->height();
        EXPECT_EQ(std::max(1, room / combo->fontMetrics().height()), combo->maxVisibleItems());
    }
}

TEST_F(DialogTest, ADialogWidensAsAWholeUntilItsTextsFitAtMostByHalf) {
    TestDialog tight(kTightDialog);
    ASSERT_TRUE(tight.Create());
    auto* window = dynamic_cast<fw::DialogWindow*>(tight.widget());
    const fw::DialogBaseUnits font = fw::BaseUnitsOf(*window);
    auto* label = window->findChild<QLabel*>();
    ASSERT_NE(nullptr, label);
    EXPECT_GE(label->width(), label->sizeHint().width());
    EXPECT_GT(window->BaseUnits().x, font.x);
    EXPECT_EQ(font.y, window->BaseUnits().y);
    // The dialog keeps its proportions: it is as wide as its units say.
    EXPECT_EQ(fw::HorizontalPixels(100, window->BaseUnits()), window->width());

    TestDialog cramped(kCrampedDialog);
    ASSERT_TRUE(cramped.Create());
    auto* cramped_window = dynamic_cast<fw::DialogWindow*>(cramped.widget());
    EXPECT_EQ(font.x + font.x / 2, cramped_window->BaseUnits().x);

    // A control of no width widens nothing; one of a single unit does.
    QLabel wide("Wider than it is");
    for (const int width : {0, 1}) {
        const fw::ControlTemplate label{
            fw::kStaticId, fw::ControlKind::kStatic, "Wider than it is", 5, 5, width, 8};
        EXPECT_EQ(width == 0 ? font.x : font.x + font.x / 2,
                  fw::FittingBaseUnits(*window, {label}, {&wide}).x);
    }
    // Just wide enough: four dialog units are as many pixels as the unit.
    class Needs : public QWidget {
      public:
        explicit Needs(int width) : width_(width) {}
        QSize sizeHint() const override { return {width_, 8}; }

      private:
        int width_;
    } needs(font.x + 1);
    const fw::ControlTemplate four{fw::kStaticId, fw::ControlKind::kStatic, "", 5, 5, 4, 8};
    EXPECT_EQ(font.x + 1, fw::FittingBaseUnits(*window, {four}, {&needs}).x);
}

TEST_F(DialogTest, AFrameDrawnOverAControlLetsItsClicksThrough) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QWidget* edit = dialog.GetDlgItem(kEditId)->widget();
    const QPoint middle_of_edit = edit->geometry().center();
    EXPECT_EQ(edit, dialog.widget()->childAt(middle_of_edit));
}

TEST_F(DialogTest, DataExchangeCopiesBothWays) {
    TestDialog dialog;
    dialog.m_strText = "first";
    dialog.m_bCheck = 1;
    ASSERT_TRUE(dialog.Create());
    // Initialisation shows the members.
    EXPECT_EQ("first", dialog.GetDlgItemText(kEditId));
    EXPECT_EQ(BST_CHECKED, dialog.IsDlgButtonChecked(kCheckId));
    // The combo member now stands for control 1002.
    ASSERT_NE(nullptr, dialog.m_cbChoice.GetSafeHwnd());
    EXPECT_EQ(kComboId, dialog.m_cbChoice.GetDlgCtrlID());

    // What the user does reaches the members only when saved.
    ui::TypeText(*dialog.GetDlgItem(kEditId), " and more");
    ui::Click(*dialog.GetDlgItem(kCheckId));
    EXPECT_EQ("first", dialog.m_strText);
    ASSERT_TRUE(dialog.UpdateData(TRUE));
    EXPECT_EQ("first and more", dialog.m_strText);
    EXPECT_EQ(0, dialog.m_bCheck);
    ui::Click(*dialog.GetDlgItem(kCheckId));
    dialog.UpdateData(TRUE);
    EXPECT_EQ(1, dialog.m_bCheck);

    dialog.m_strText = "back";
    dialog.m_bCheck = 0;
    dialog.UpdateData(FALSE);
    EXPECT_EQ("back", dialog.GetDlgItemText(kEditId));
    EXPECT_EQ(BST_UNCHECKED, dialog.IsDlgButtonChecked(kCheckId));

    // An id the dialog lacks exchanges nothing; a control attached once stays.
    CDataExchange save(&dialog, TRUE);
    std::string untouched = "kept";
    DDX_Text(&save, 4242, untouched);
    EXPECT_EQ("kept", untouched);
    CComboBox loose;
    DDX_Control(&save, 4242, loose);
    EXPECT_EQ(nullptr, loose.GetSafeHwnd());
    DDX_Control(&save, kEditId, dialog.m_cbChoice);
    EXPECT_EQ(kComboId, dialog.m_cbChoice.GetDlgCtrlID());
}

TEST_F(DialogTest, ControlsAreEnabledAndSetById) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    CWnd* button = dialog.GetDlgItem(kButtonId);
    EXPECT_TRUE(button->IsWindowEnabled());
    EXPECT_FALSE(button->EnableWindow(FALSE));  // it was enabled
    EXPECT_FALSE(button->IsWindowEnabled());
    EXPECT_TRUE(button->EnableWindow(TRUE));  // it was disabled
    dialog.SetDlgItemText(kButtonId, "&Renamed");
    EXPECT_EQ("&Renamed", dialog.GetDlgItemText(kButtonId));
    dialog.CheckDlgButton(kCheckId, BST_CHECKED);
    EXPECT_EQ(BST_CHECKED, dialog.IsDlgButtonChecked(kCheckId));
    // A push button has no check state.
    dialog.CheckDlgButton(kButtonId, BST_CHECKED);
    EXPECT_EQ(BST_UNCHECKED, dialog.IsDlgButtonChecked(kButtonId));
}

TEST_F(DialogTest, ClicksOnButtonsAndCheckBoxesAreCommands) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ui::Click(*dialog.GetDlgItem(kButtonId));
    ui::Click(*dialog.GetDlgItem(kCheckId));
    EXPECT_EQ((std::vector<int>{kButtonId, kCheckId}), dialog.commands);
    // An auto check box ticks itself.
    EXPECT_EQ(BST_CHECKED, dialog.IsDlgButtonChecked(kCheckId));
    // Anywhere in the box's rectangle counts, also right of its text.
    QWidget* check = dialog.GetDlgItem(kCheckId)->widget();
    QTest::mouseClick(check, Qt::LeftButton, Qt::NoModifier,
                      QPoint(check->width() - 2, check->height() / 2));
    EXPECT_EQ(BST_UNCHECKED, dialog.IsDlgButtonChecked(kCheckId));
    dialog.commands.pop_back();
    // A disabled button takes no click.
    dialog.GetDlgItem(kButtonId)->EnableWindow(FALSE);
    ui::Click(*dialog.GetDlgItem(kButtonId));
    EXPECT_EQ(2u, dialog.commands.size());
}

// What the platform's controls tell their dialog besides clicks: a drop-down
// list the user's choice of an entry, an edit field every change of its
// text, also the program's own; the default handling takes neither for a
// command.
TEST_F(DialogTest, ControlsTellTheirDialogOfChangesWithTheirNotificationCodes) {
    TestDialog dialog;
    dialog.m_strText = "start";
    ASSERT_TRUE(dialog.Create());
    QApplication::setActiveWindow(dialog.widget());
    // Initialisation set the edit's text.
    EXPECT_EQ((std::vector<std::pair<int, int>>{{kEditId, EN_CHANGE}}), dialog.command_codes);

    dialog.command_codes.clear();
    dialog.m_cbChoice.AddString("one");
    dialog.m_cbChoice.AddString("two");
    dialog.m_cbChoice.SetCurSel(0);  // the program's choice: no news
    dialog.m_cbChoice.SetFocus();
    ui::PressKey(ui::Key::kDown);  // the user's
    EXPECT_EQ(1, dialog.m_cbChoice.GetCurSel());
    ui::TypeText(*dialog.GetDlgItem(kEditId), "s");
    dialog.SetDlgItemText(kEditId, "starts");  // the same text is a change too
    EXPECT_EQ((std::vector<std::pair<int, int>>{
                  {kComboId, CBN_SELCHANGE}, {kEditId, EN_CHANGE}, {kEditId, EN_CHANGE}}),
              dialog.command_codes);
    EXPECT_TRUE(dialog.commands.empty());
    EXPECT_TRUE(dialog.IsWindowVisible());
}

TEST(CommandMapTest, AnEntryRunsOnItsIdAndNotificationCodeOnly) {
    struct Target {
        std::vector<int> runs;
        void Click() { runs.push_back(1); }
        void Choose() { runs.push_back(2); }
    };
    const fw::CommandMap<Target> map{{7, &Target::Click}, {8, &Target::Choose, CBN_SELCHANGE}};
    Target target;
    EXPECT_TRUE(map.Dispatch(&target, MAKEWPARAM(7, BN_CLICKED)));
    EXPECT_FALSE(map.Dispatch(&target, MAKEWPARAM(7, EN_CHANGE)));
    EXPECT_TRUE(map.Dispatch(&target, MAKEWPARAM(8, CBN_SELCHANGE)));
    EXPECT_FALSE(map.Dispatch(&target, MAKEWPARAM(8, BN_CLICKED)));
    EXPECT_FALSE(map.Dispatch(&target, MAKEWPARAM(9, BN_CLICKED)));
    EXPECT_EQ((std::vector<int>{1, 2}), target.runs);
}

TEST_F(DialogTest, TheSortedComboKeepsItsEntriesInOrderWithoutRegardToCase) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    CComboBox& combo = dialog.m_cbChoice;
    EXPECT_EQ(0, combo.AddString("beta"));
    EXPECT_EQ(1, combo.AddString("gamma"));
    EXPECT_EQ(0, combo.AddString("Alpha"));
    EXPECT_EQ(0, combo.AddString("ALPHA"));  // equal but for case: byte order
    // Letters compare as lower case, so '_' comes before them all.
    EXPECT_EQ(0, combo.AddString("_Tables"));
    ASSERT_EQ(5, combo.GetCount());
    EXPECT_EQ("_Tables", combo.GetLBText(0));
    EXPECT_EQ("ALPHA", combo.GetLBText(1));
    EXPECT_EQ("Alpha", combo.GetLBText(2));
    EXPECT_EQ("beta", combo.GetLBText(3));
    EXPECT_EQ("gamma", combo.GetLBText(4));
    // Filling selects nothing; the program chooses.
    EXPECT_EQ(CB_ERR, combo.GetCurSel());
    EXPECT_EQ(3, combo.SetCurSel(3));
    EXPECT_EQ("beta", combo.GetWindowText());
    EXPECT_EQ(CB_ERR, combo.SetCurSel(5));
    EXPECT_EQ(CB_ERR, combo.GetCurSel());
    EXPECT_EQ("", combo.GetLBText(5));
    combo.ResetContent();
    EXPECT_EQ(0, combo.GetCount());
}

TEST_F(DialogTest, FocusStartsOnTheFirstTabStopAndTabFollowsTheTemplate) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QApplication::setActiveWindow(dialog.widget());
    EXPECT_EQ(kEditId, ui::FocusedControlId(dialog));
    std::vector<int> order;
    for (int i = 0; i < 7; ++i) {
        ui::PressKey(ui::Key::kTab);
        order.push_back(ui::FocusedControlId(dialog));
    }
    EXPECT_EQ((std::vector<int>{kCheckId, kComboId, kButtonId, kDefaultId, IDCANCEL, kListId,
                                kSortedListId}),
              order);
}

// A dialog that puts the focus on a control itself says so by OnInitDialog
// giving FALSE; the focus then stays there, shown modal or not.
class SelfFocusingDialog : public TestDialog {
  public:
    BOOL OnInitDialog() override {
        TestDialog::OnInitDialog();
        GotoDlgCtrl(GetDlgItem(kButtonId));
        return FALSE;
    }
};

TEST_F(DialogTest, ADialogThatFocusesAControlItselfKeepsThatFocus) {
    SelfFocusingDialog modal;
    int focused_in_modal = -1;
    hook_.WhenModalShows([&](const fw::ShownWindow&) {
        focused_in_modal = ui::FocusedControlId(modal);
        ui::PressKey(ui::Key::kEscape);
    });
    EXPECT_EQ(IDCANCEL, modal.DoModal());
    EXPECT_EQ(kButtonId, focused_in_modal);

    SelfFocusingDialog modeless;
    ASSERT_TRUE(modeless.Create());
    QApplication::setActiveWindow(modeless.widget());
    EXPECT_EQ(kButtonId, ui::FocusedControlId(modeless));
}

TEST_F(DialogTest, EnterRunsTheDefaultButtonOrTheFocusedOne) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QApplication::setActiveWindow(dialog.widget());
    dialog.GetDlgItem(kEditId)->SetFocus();
    ui::PressKey(ui::Key::kEnter);
    dialog.GetDlgItem(kButtonId)->SetFocus();
    ui::PressKey(ui::Key::kEnter);
    EXPECT_EQ((std::vector<int>{kDefaultId, kButtonId}), dialog.commands);
    // A disabled default button does nothing, and the dialog stays.
    dialog.GetDlgItem(kDefaultId)->EnableWindow(FALSE);
    dialog.GetDlgItem(kEditId)->SetFocus();
    ui::PressKey(ui::Key::kEnter);
    EXPECT_EQ(2u, dialog.commands.size());
    EXPECT_TRUE(dialog.IsWindowVisible());
}

// Without a parent a dialog belongs to the application's main window; the
// about item comes below a separator, and only when its text exists; a
// posted command arrives once the events are run.
TEST_F(DialogTest, AnOwnerlessDialogBelongsToTheMainWindowWhoseMenuAndCommandsItTakes) {
    CWinApp app;
    TestDialog main_window;
    ASSERT_TRUE(main_window.Create());
    app.m_pMainWnd = &main_window;
    TestDialog owned(kPlainDialog);
    ASSERT_TRUE(owned.Create());
    EXPECT_EQ(main_window.widget(), owned.widget()->parentWidget());

    CMenu* menu = main_window.GetSystemMenu(FALSE);
    const int items = menu->GetMenuItemCount();
    fw::AppendAboutItem(main_window, 4242, 0x10);
    EXPECT_EQ(items, menu->GetMenuItemCount());
    fw::AppendAboutItem(main_window, 101, 0x10);
    ASSERT_EQ(items + 2, menu->GetMenuItemCount());
    EXPECT_EQ("Inf&ormation...", menu->GetMenuString(items + 1));

    main_window.PostCommand(kButtonId);
    EXPECT_TRUE(main_window.commands.empty());
    QApplication::processEvents();
    EXPECT_EQ((std::vector<int>{kButtonId}), main_window.commands);

    // A dialog with a maximise box offers to restore and maximise it.
    TestDialog sizable(kCrampedDialog);
    ASSERT_TRUE(sizable.Create());
    std::vector<std::string> texts;
    for (int i = 0; i < sizable.GetSystemMenu(FALSE)->GetMenuItemCount(); ++i)
        texts.push_back(sizable.GetSystemMenu(FALSE)->GetMenuString(i));
    EXPECT_EQ((std::vector<std::string>{"&Restore", "Ma&ximize", "&Close\tAlt+F4"}), texts);
}

TEST_F(DialogTest, EscapeEndsTheModalDialogThroughCancel) {
    TestDialog dialog;
    hook_.WhenModalShows([](const fw::ShownWindow& shown) {
        EXPECT_EQ("Test Dialog", shown.title);
        ui::PressKey(ui::Key::kEscape);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ((std::vector<int>{IDCANCEL}), dialog.commands);
    // The window is gone, and so is the member's control.
    EXPECT_EQ(nullptr, dialog.GetSafeHwnd());
    EXPECT_EQ(nullptr, dialog.m_cbChoice.GetSafeHwnd());
    EXPECT_TRUE(hook_.UnexpectedWindows().empty());
}

TEST_F(DialogTest, OkEndsAPlainDialogAndItsIconShows) {
    TestDialog dialog(kPlainDialog);
    hook_.WhenModalShows([&dialog](const fw::ShownWindow& shown) {
        EXPECT_EQ((std::vector<std::string>{"A plain box", "OK"}), shown.texts);
        auto icons = dialog.widget()->findChildren<QLabel*>();
        ASSERT_FALSE(icons.empty());
        EXPECT_FALSE(icons.front()->pixmap().isNull());
        ui::PressKey(ui::Key::kEnter);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
}

// A dialog that is up already keeps its window, shown again or run modal.
TEST_F(DialogTest, AMissingTemplateGivesMinusOneAndADialogUpAlreadyKeepsItsWindow) {
    TestDialog missing(999);
    EXPECT_EQ(-1, missing.DoModal());
    EXPECT_FALSE(missing.Create());

    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QWidget* window = dialog.widget();
    EXPECT_TRUE(dialog.Create());
    EXPECT_EQ(window, dialog.widget());
    hook_.WhenModalShows([](const fw::ShownWindow&) { ui::PressKey(ui::Key::kEscape); });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
}

TEST_F(DialogTest, TheSystemMenuOpensFromTheKeyboardAndSendsItsCommand) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QApplication::setActiveWindow(dialog.widget());
    CMenu* menu = dialog.GetSystemMenu(FALSE);
    ASSERT_NE(nullptr, menu);
    menu->AppendMenu(MF_SEPARATOR);
    menu->AppendMenu(MF_STRING, 0x10, "Inf&ormation...");

    std::vector<std::string> shown_items;
    hook_.WhenModalShows([&shown_items](const fw::ShownWindow& shown) {
        shown_items = shown.texts;
        ui::PressChar('o');
    });
    dialog.GetDlgItem(kEditId)->SetFocus();
    ui::PressKey(ui::Key::kF10, ui::kShift);
    EXPECT_EQ((std::vector<std::string>{"&Minimize", "&Close\tAlt+F4", "", "Inf&ormation..."}),
              shown_items);
    EXPECT_EQ((std::vector<UINT>{0x10}), dialog.system_commands);

    // The Menu key, from a list that has the focus, opens it as well.
    hook_.WhenModalShows([](const fw::ShownWindow&) { ui::PressKey(ui::Key::kEscape); });
    dialog.GetDlgItem(kListId)->SetFocus();
    ui::PressKey(ui::Key::kMenu);
    EXPECT_TRUE(hook_.UnexpectedWindows().empty());
    EXPECT_EQ(0u, hook_.PendingAnswers());
    EXPECT_EQ(1u, dialog.system_commands.size());  // Escape chose nothing
}

TEST_F(DialogTest, ARightClickOnTheBackgroundOpensTheSystemMenuWhoseCloseCancels) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    bool shown = false;
    hook_.WhenModalShows([&shown](const fw::ShownWindow&) {
        shown = true;
        ui::PressChar('c');
    });
    // The label is background too: it has no menu of its own.
    ui::RightClick(dialog, 2, dialog.widget()->height() - 2);
    EXPECT_TRUE(shown);
    EXPECT_EQ((std::vector<UINT>{SC_CLOSE}), dialog.system_commands);
    EXPECT_EQ((std::vector<int>{IDCANCEL}), dialog.commands);
    EXPECT_EQ(IDCANCEL, dialog.GetResult());
    EXPECT_FALSE(dialog.IsWindowVisible());
}

}  // namespace
