#include "string_list_ex.h"

#include <gtest/gtest.h>

#include <memory>

#include "mbc_string_array.h"

namespace {

TEST(StringListEx, KeepsATextOnceWhateverItsLetterCase) {
    CStringListEx list;
    POSITION first = list.AddString("C:\\Temp\\msi1.tmp");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(list.AddString("c:\\TEMP\\MSI1.TMP"), first);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetHead(), "C:\\Temp\\msi1.tmp");
}

TEST(StringListEx, RefusesEmptyAndMissingTextsByDefault) {
    CStringListEx list;
    EXPECT_EQ(list.AddString(""), nullptr);
    EXPECT_EQ(list.AddString(static_cast<const char*>(nullptr)), nullptr);
    EXPECT_TRUE(list.IsEmpty());
}

TEST(StringListEx, AllowEmptyAddsTheEmptyTextOnce) {
    CStringListEx list;
    list.m_dwFlags = VSB_SLF_ALLOW_EMPTY;
    POSITION first = list.AddString("");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(list.AddString(""), first);
    EXPECT_EQ(list.GetCount(), 1);
    // No text at all stays refused.
    EXPECT_EQ(list.AddString(static_cast<const char*>(nullptr)), nullptr);
}

TEST(StringListEx, AllowDuplicatesAddsEveryTime) {
    CStringListEx list;
    list.m_dwFlags = VSB_SLF_ALLOW_DUPLICATES;
    POSITION first = list.AddString("a");
    POSITION second = list.AddString("a");
    EXPECT_NE(first, second);
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(StringListEx, ModeAnyHoldsAtMostOneText) {
    CStringListEx list;
    list.m_dwFlags = VSB_CMP_ANY;
    POSITION first = list.AddString("one");
    EXPECT_EQ(list.AddString("two"), first);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(StringListEx, ExactModeKeepsTextsThatDifferInCase) {
    CStringListEx list;
    list.m_dwFlags = VSB_CMP_EXACT;
    list.AddString("a");
    list.AddString("A");
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(StringListEx, FindStringStartsAtTheGivenPositionInclusive) {
    CStringListEx list;
    list.m_dwFlags = VSB_SLF_ALLOW_DUPLICATES;
    POSITION first = list.AddString("x");
    POSITION middle = list.AddString("y");
    POSITION last = list.AddString("X");
    EXPECT_EQ(list.FindString("x"), first);
    EXPECT_EQ(list.FindString("x", middle), last);
    EXPECT_EQ(list.FindString("x", last), last);
    EXPECT_EQ(list.FindString("y", last), nullptr);
    EXPECT_EQ(list.FindString("z"), nullptr);
}

TEST(StringListEx, PatternModeFindsByPrefix) {
    CStringListEx list;
    list.m_dwFlags = VSB_SLF_ALLOW_DUPLICATES;
    list.AddString("readme.txt");
    POSITION cab = list.AddString("Data1.cab");
    list.m_dwFlags = VSB_CMP_PATTERN;
    EXPECT_EQ(list.FindString("data*"), cab);
}

TEST(StringCollections, AreCreatedByTheirClassNames) {
    const CRuntimeClass* records[] = {RUNTIME_CLASS(CMbcStringList), RUNTIME_CLASS(CStringListEx),
                                      RUNTIME_CLASS(CMbcStringArray)};
    for (const CRuntimeClass* record : records) {
        const char* name = record->m_lpszClassName;
        EXPECT_EQ(CRuntimeClass::FromName(name), record) << name;
        std::unique_ptr<CObject> object(CRuntimeClass::CreateObject(name));
        ASSERT_NE(object, nullptr) << name;
        EXPECT_EQ(object->GetRuntimeClass(), record);
    }
    EXPECT_STREQ(RUNTIME_CLASS(CStringListEx)->m_lpszClassName, "CStringListEx");
    std::unique_ptr<CObject> list(CRuntimeClass::CreateObject("CStringListEx"));
    EXPECT_TRUE(list->IsKindOf(RUNTIME_CLASS(CStringList)));
    EXPECT_EQ(static_cast<CStringListEx*>(list.get())->m_dwFlags, 0u);
}

}  // namespace
