// The dialog's change rows: entries are destroyed only once the list control
// could have let go of them, and the list owns what it accepts.
#include "change_rows.h"

#include <gtest/gtest.h>

#include "change_columns.h"
#include "entry_list.h"
#include "string_array_entry.h"

namespace {

// An entry that counts its destructions.
class CountingEntry : public CStringArrayEntry {
  public:
    explicit CountingEntry(int* deletions) : CStringArrayEntry("old"), deletions_(deletions) {}
    ~CountingEntry() override { ++*deletions_; }

  private:
    int* deletions_;
};

TEST(ChangeRowsTest, OldRowsAreDestroyedOnlyAfterTheEmptyListWasRefreshed) {
    CEntryList changes;
    int deletions = 0;
    for (int i = 0; i < 3; ++i) changes.AddEntry(new CountingEntry(&deletions));
    // One object listed twice is still one object to delete.
    changes.AddTail(changes.GetHead());
    int deletions_at_let_go = -1;
    deltalens::gui::EmptyChangeList(changes, [&] {
        deletions_at_let_go = deletions;
        EXPECT_EQ(changes.GetCount(), 0);
    });
    // A list control could still hold them while it refreshed, so they lived...
    EXPECT_EQ(deletions_at_let_go, 0);
    // ...and were destroyed once each afterwards.
    EXPECT_EQ(deletions, 3);
}

TEST(ChangeRowsTest, RowsAreEntriesOfTheListAndRefusedOnesAreNotKept) {
    CEntryList changes;
    deltalens::NameChangeColumns(changes);
    deltalens::gui::AppendChange(changes, {"Items", "Note", "alpha", "changed", "first"});
    ASSERT_EQ(changes.GetCount(), 1);
    const auto* entry = dynamic_cast<const CEntry*>(changes.GetHead());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->GetFieldText(3), "changed");
    deltalens::gui::EmptyChangeList(changes, {});

    // A list that accepts nothing: every entry made must be deleted here.
    class RefusingList : public CEntryList {
      public:
        bool AddEntry(CEntry*) override { return false; }
    } refusing;
    deltalens::gui::AppendChange(refusing, {"Items", "Note", "alpha", "changed", "first"});
    EXPECT_EQ(refusing.GetCount(), 0);
    // Leaks would show in the sanitizer build.
}

}  // namespace
