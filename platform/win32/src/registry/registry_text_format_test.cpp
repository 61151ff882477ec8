#include "registry_text_format.h"

#include <gtest/gtest.h>

#include "win32/registry.h"

namespace win32 {
namespace {

TEST(RegistryTextFormat, EmptyTreeIsTheHeaderAlone) {
    EXPECT_EQ(EncodeRegistryText(RegistryTree()), "VSB-REGISTRY 1\n");
}

TEST(RegistryTextFormat, WritesKeysParentFirstWithTheirValues) {
    RegistryTree tree;
    RegistryNode* app = tree.Root(1).AddChild("Software")->AddChild("App");
    app->SetValue("Path", REG_SZ, std::string("C:\\App\0", 7));
    app->SetValue("", REG_DWORD, std::string("\x2a\0\0\0", 4));
    tree.Root(2).AddChild("Empty");
    EXPECT_EQ(EncodeRegistryText(tree),
              "VSB-REGISTRY 1\n"
              "key\tHKEY_CURRENT_USER\\Software\n"
              "key\tHKEY_CURRENT_USER\\Software\\App\n"
              "value\tPath\t1\tC:\\App%00\n"
              "value\t\t4\t2a000000\n"
              "key\tHKEY_LOCAL_MACHINE\\Empty\n");
}

TEST(RegistryTextFormat, EveryByteOfNamesAndDataSurvivesTheRoundTrip) {
    RegistryTree tree;
    std::string odd_name = "tab\there %41 line\nbreak \x7f \xc3\xa9";
    RegistryNode* key = tree.Root(3).AddChild(odd_name);
    std::string all_bytes;
    for (int i = 0; i < 256; ++i) all_bytes += static_cast<char>(i);
    key->SetValue(odd_name, REG_MULTI_SZ, all_bytes);
    key->SetValue("bin", REG_BINARY, all_bytes);
    key->SetValue("none", 0x1234, "");
    key->set_read_only(true);

    std::string text = EncodeRegistryText(tree);
    RegistryTree back;
    size_t bad_line = 99;
    ASSERT_TRUE(DecodeRegistryText(text, back, bad_line));
    EXPECT_EQ(bad_line, 0u);
    const RegistryNode* got = back.Find(3, {odd_name});
    ASSERT_NE(got, nullptr);
    EXPECT_TRUE(got->read_only());
    ASSERT_EQ(got->values().size(), 3u);
    EXPECT_EQ(got->FindValue(odd_name)->data, all_bytes);
    EXPECT_EQ(got->FindValue(odd_name)->type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(got->FindValue("bin")->data, all_bytes);
    EXPECT_EQ(got->FindValue("none")->type, 0x1234u);
    EXPECT_EQ(EncodeRegistryText(back), text);
}

TEST(RegistryTextFormat, ToleratesCommentsBlankLinesAndCarriageReturns) {
    RegistryTree tree;
    size_t bad_line = 0;
    ASSERT_TRUE(DecodeRegistryText(
        "VSB-REGISTRY 1\r\n# note\r\n\r\nkey\tHKEY_USERS\\a\\b\r\nvalue\tv\t4\t01000000\r\n", tree,
        bad_line));
    ASSERT_NE(tree.Find(3, {"A", "B"}), nullptr);
    EXPECT_EQ(tree.Find(3, {"a", "b"})->FindValue("V")->data, std::string("\1\0\0\0", 4));
}

TEST(RegistryTextFormat, EmptyFileIsAnEmptyStore) {
    RegistryTree tree;
    size_t bad_line = 0;
    EXPECT_TRUE(DecodeRegistryText("", tree, bad_line));
}

std::string KeyLineOfDepth(size_t depth) {
    std::string line = "key\tHKEY_USERS";
    for (size_t i = 0; i < depth; ++i) line += "\\k";
    return line + "\n";
}

TEST(RegistryTextFormat, KeysDeeperThanWindowsAllowsAreRejected) {
    RegistryTree deep_enough;
    size_t bad_line = 0;
    EXPECT_TRUE(
        DecodeRegistryText("VSB-REGISTRY 1\n" + KeyLineOfDepth(512), deep_enough, bad_line));
    // Far deeper trees would exhaust the stack when written or freed.
    RegistryTree too_deep;
    EXPECT_FALSE(
        DecodeRegistryText("VSB-REGISTRY 1\n" + KeyLineOfDepth(100000), too_deep, bad_line));
    EXPECT_EQ(bad_line, 2u);
}

struct BadText {
    const char* text;
    size_t line;
};

class RegistryTextFormatDamage : public ::testing::TestWithParam<BadText> {};

TEST_P(RegistryTextFormatDamage, IsRejectedWithTheLineNumber) {
    RegistryTree tree;
    size_t bad_line = 0;
    EXPECT_FALSE(DecodeRegistryText(GetParam().text, tree, bad_line));
    EXPECT_EQ(bad_line, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryTextFormatDamage,
    ::testing::Values(BadText{"not a store\n", 1}, BadText{"VSB-REGISTRY 2\n", 1},
                      BadText{"VSB-REGISTRY 1\nvalue\ta\t1\tx\n", 2},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_NOWHERE\\a\n", 2},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\tlocked\n", 2},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\nvalue\tv\t4\t0g\n", 3},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\nvalue\tv\t4\t012\n", 3},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\nvalue\tv\t1\tab%4\n", 3},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\nvalue\tv\tx1\tab\n", 3},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\nvalue\tv\t1\n", 3},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\nvalue\tv%00\t1\ta\n", 3},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\\\\b\n", 2},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\nbogus\n", 3},
                      BadText{"VSB-REGISTRY 1\nkey\tHKEY_USERS\\a\nvalue\tv\t99999999999\t\n", 3}));

}  // namespace
}  // namespace win32
