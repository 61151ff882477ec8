#include "install_names.h"

#include <gtest/gtest.h>

namespace tablesmith {
namespace {

TEST(InstallNamesTest, DefaultDirPartsAndLongNames) {
    struct Row {
        const char* default_dir;
        const char* target_long;
        const char* source_short;
    };
    for (const Row& row :
         {Row{"APP|App Dir:src|Source Dir", "App Dir", "src"}, Row{"docs", "docs", "docs"},
          Row{".:Ansi", ".", "Ansi"}, Row{"PFiles", "PFiles", "PFiles"}}) {
        EXPECT_EQ(LongName(TargetPart(row.default_dir)), row.target_long) << row.default_dir;
        EXPECT_EQ(ShortName(SourcePart(row.default_dir)), row.source_short) << row.default_dir;
    }
}

TEST(InstallNamesTest, UnsafeNamesAreRefusedOrCleaned) {
    struct Row {
        std::string name;
        const char* safe;  // nullptr: refused
    };
    for (const Row& row :
         {Row{"", nullptr}, Row{".", nullptr}, Row{"..", nullptr}, Row{"...", "..."},
          Row{"a/b", "a_b"}, Row{"..\\up", ".._up"}, Row{"C:x", "C_x"}, Row{"x:y", "x_y"},
          Row{"ab:c", "ab:c"}, Row{"CON", "_CON"}, Row{"nul.txt", "_nul.txt"},
          Row{"Com7.a.b", "_Com7.a.b"}, Row{"COM0", "COM0"}, Row{"lpt9", "_lpt9"},
          Row{"console", "console"}, Row{std::string("a\tb\x7f", 4), "a_b_"}}) {
        const auto safe = SafeName(row.name);
        if (row.safe == nullptr)
            EXPECT_FALSE(safe) << row.name;
        else
            EXPECT_EQ(safe.value_or("<refused>"), row.safe) << row.name;
    }
}

}  // namespace
}  // namespace tablesmith
