#include "core/ob_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/archive.h"
#include "core/exceptions.h"
#include "core/string_array.h"

namespace {

// Objects to put into lists; the fixture owns them, the lists do not.
class ObListTest : public ::testing::Test {
  protected:
    CObject* Make() {
        objects_.push_back(std::make_unique<CStringArray>());
        return objects_.back().get();
    }

    // The list's elements from head to tail, walked with GetNext.
    static std::vector<CObject*> Forward(const CObList& list) {
        std::vector<CObject*> items;
        for (POSITION p = list.GetHeadPosition(); p != nullptr;) items.push_back(list.GetNext(p));
        return items;
    }

    static std::vector<CObject*> Backward(const CObList& list) {
        std::vector<CObject*> items;
        for (POSITION p = list.GetTailPosition(); p != nullptr;) items.push_back(list.GetPrev(p));
        return items;
    }

    std::vector<std::unique_ptr<CObject>> objects_;
};

TEST_F(ObListTest, NewListIsEmpty) {
    CObList list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(0, list.GetCount());
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    EXPECT_EQ(nullptr, list.GetTailPosition());
}

TEST_F(ObListTest, AddHeadAndAddTailKeepOrderBothWays) {
    CObject* a = Make();
    CObject* b = Make();
    CObject* c = Make();
    CObList list(2);  // a small block size makes the list allocate several blocks
    list.AddTail(b);
    list.AddTail(c);
    list.AddHead(a);
    EXPECT_EQ((std::vector<CObject*>{a, b, c}), Forward(list));
    EXPECT_EQ((std::vector<CObject*>{c, b, a}), Backward(list));
    EXPECT_EQ(a, list.GetHead());
    EXPECT_EQ(c, list.GetTail());
    EXPECT_EQ(3, list.GetSize());
    list.AssertValid();
}

TEST_F(ObListTest, PositionsStayValidAcrossInsertsAndOtherRemovals) {
    CObList list(2);
    CObject* a = Make();
    CObject* b = Make();
    POSITION pa = list.AddTail(a);
    POSITION pb = list.AddTail(b);
    std::vector<POSITION> extra;
    for (int i = 0; i < 20; ++i) extra.push_back(list.InsertAfter(pa, Make()));
    for (int i = 0; i < 20; i += 2) list.RemoveAt(extra[static_cast<size_t>(i)]);
    EXPECT_EQ(a, list.GetAt(pa));
    EXPECT_EQ(b, list.GetAt(pb));
    EXPECT_EQ(12, list.GetCount());
    list.AssertValid();
}

TEST_F(ObListTest, RemoveAtInTheMiddleRelinksNeighbours) {
    CObject* a = Make();
    CObject* b = Make();
    CObject* c = Make();
    CObList list;
    list.AddTail(a);
    POSITION pb = list.AddTail(b);
    list.AddTail(c);
    list.RemoveAt(pb);
    EXPECT_EQ((std::vector<CObject*>{a, c}), Forward(list));
    EXPECT_EQ((std::vector<CObject*>{c, a}), Backward(list));
    list.AssertValid();
}

TEST_F(ObListTest, RemoveHeadAndTailReturnTheElements) {
    CObject* a = Make();
    CObject* b = Make();
    CObList list;
    list.AddTail(a);
    list.AddTail(b);
    EXPECT_EQ(a, list.RemoveHead());
    EXPECT_EQ(b, list.RemoveTail());
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    // The emptied list is usable again.
    list.AddTail(a);
    EXPECT_EQ(a, list.GetHead());
}

TEST_F(ObListTest, InsertBeforeAndAfterNullPositionAddAtTheEnds) {
    CObject* a = Make();
    CObject* b = Make();
    CObject* c = Make();
    CObList list;
    list.AddTail(b);
    list.InsertBefore(nullptr, a);
    list.InsertAfter(nullptr, c);
    EXPECT_EQ((std::vector<CObject*>{a, b, c}), Forward(list));
}

TEST_F(ObListTest, InsertBeforeAndAfterAPosition) {
    CObject* a = Make();
    CObject* b = Make();
    CObject* c = Make();
    CObject* d = Make();
    CObList list;
    POSITION pb = list.AddTail(b);
    POSITION pc = list.InsertAfter(pb, c);
    list.InsertBefore(pb, a);
    list.InsertAfter(pc, d);
    EXPECT_EQ((std::vector<CObject*>{a, b, c, d}), Forward(list));
    EXPECT_EQ((std::vector<CObject*>{d, c, b, a}), Backward(list));
}

TEST_F(ObListTest, FindComparesIdentityAndStartsAfterThePosition) {
    auto twin1 = std::make_unique<CStringArray>();
    auto twin2 = std::make_unique<CStringArray>();  // equal contents, other object
    CObject* other = Make();
    CObList list;
    POSITION first = list.AddTail(twin1.get());
    list.AddTail(other);
    POSITION second = list.AddTail(twin1.get());
    EXPECT_EQ(first, list.Find(twin1.get()));
    EXPECT_EQ(second, list.Find(twin1.get(), first));
    EXPECT_EQ(nullptr, list.Find(twin1.get(), second));
    EXPECT_EQ(nullptr, list.Find(twin2.get()));
}

TEST_F(ObListTest, FindIndexCountsFromZero) {
    CObject* a = Make();
    CObject* b = Make();
    CObList list;
    list.AddTail(a);
    list.AddTail(b);
    EXPECT_EQ(b, list.GetAt(list.FindIndex(1)));
    EXPECT_EQ(nullptr, list.FindIndex(2));
    EXPECT_EQ(nullptr, list.FindIndex(-1));
}

TEST_F(ObListTest, SetAtAndReferenceAccessReplaceTheElement) {
    CObject* a = Make();
    CObject* b = Make();
    CObject* c = Make();
    CObList list;
    POSITION p = list.AddTail(a);
    list.SetAt(p, b);
    EXPECT_EQ(b, list.GetHead());
    list.GetHead() = c;
    EXPECT_EQ(c, list.GetAt(p));
}

TEST_F(ObListTest, RemoveAllLeavesTheObjectsAlive) {
    auto owned = std::make_unique<CStringArray>();
    owned->Add("still here");
    CObList list;
    list.AddTail(owned.get());
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ("still here", owned->GetAt(0));
}

TEST_F(ObListTest, AddingAListToItselfDoublesIt) {
    CObject* a = Make();
    CObject* b = Make();
    CObList list;
    list.AddTail(a);
    list.AddTail(b);
    list.AddTail(&list);
    list.AddHead(&list);
    EXPECT_EQ((std::vector<CObject*>{a, b, a, b, a, b, a, b}), Forward(list));
}

TEST_F(ObListTest, MisuseThrowsInsteadOfTouchingMemory) {
    CObList list;
    EXPECT_THROW(list.GetHead(), CInvalidArgException);
    EXPECT_THROW(list.RemoveTail(), CInvalidArgException);
    POSITION none = nullptr;
    EXPECT_THROW(list.GetNext(none), CInvalidArgException);
    EXPECT_THROW(list.RemoveAt(nullptr), CInvalidArgException);
}

TEST_F(ObListTest, SerializeRoundTripsObjectsAndNulls) {
    auto first = std::make_unique<CStringArray>();
    first->Add("one");
    CObList list;
    list.AddTail(first.get());
    list.AddTail(static_cast<CObject*>(nullptr));
    CArchive out = CArchive::Storing();
    list.Serialize(out);

    CObList loaded;
    CArchive in = CArchive::Loading(out.Buffer());
    loaded.Serialize(in);
    ASSERT_EQ(2, loaded.GetCount());
    std::unique_ptr<CObject> head(loaded.GetHead());  // the loaded list does not own it
    auto* array = dynamic_cast<CStringArray*>(head.get());
    ASSERT_NE(nullptr, array);
    EXPECT_EQ("one", array->GetAt(0));
    EXPECT_EQ(nullptr, loaded.GetTail());
}

TEST_F(ObListTest, ListIsCreatableByName) {
    std::unique_ptr<CObject> object(CRuntimeClass::CreateObject("CObList"));
    ASSERT_NE(nullptr, object);
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CObList)));
}

}  // namespace
