#include "core/runtime_class.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "core/object.h"

namespace {

// A small tree: CAnimal (creatable), CDog (serialisable), CRobot (known only).
class CAnimal : public CObject {
    DECLARE_DYNCREATE(CAnimal)
};
IMPLEMENT_DYNCREATE(CAnimal, CObject)

class CDog : public CAnimal {
    DECLARE_SERIAL(CDog)
};
IMPLEMENT_SERIAL(CDog, CAnimal, 3)

class CRobot : public CObject {
    DECLARE_DYNAMIC(CRobot)
};
IMPLEMENT_DYNAMIC(CRobot, CObject)

TEST(RuntimeClassTest, RecordCarriesNameSizeSchemaAndBase) {
    const CRuntimeClass* dog = RUNTIME_CLASS(CDog);
    EXPECT_STREQ("CDog", dog->m_lpszClassName);
    EXPECT_EQ(static_cast<int>(sizeof(CDog)), dog->m_nObjectSize);
    EXPECT_EQ(3u, dog->m_wSchema);
    EXPECT_EQ(RUNTIME_CLASS(CAnimal), dog->m_pBaseClass);
    EXPECT_EQ(RUNTIME_CLASS(CObject), RUNTIME_CLASS(CAnimal)->m_pBaseClass);
    EXPECT_EQ(nullptr, RUNTIME_CLASS(CObject)->m_pBaseClass);
}

TEST(RuntimeClassTest, LookupByNameFindsRegisteredClasses) {
    EXPECT_EQ(RUNTIME_CLASS(CDog), CRuntimeClass::FromName("CDog"));
    EXPECT_EQ(RUNTIME_CLASS(CRobot), CRuntimeClass::FromName("CRobot"));
    EXPECT_EQ(RUNTIME_CLASS(CObject), CRuntimeClass::FromName("CObject"));
    // The framework's own classes register themselves too.
    EXPECT_NE(nullptr, CRuntimeClass::FromName("CObList"));
    EXPECT_NE(nullptr, CRuntimeClass::FromName("CStringArray"));
}

TEST(RuntimeClassTest, LookupIsExactAndCaseSensitive) {
    EXPECT_EQ(nullptr, CRuntimeClass::FromName("cdog"));
    EXPECT_EQ(nullptr, CRuntimeClass::FromName("CDo"));
    EXPECT_EQ(nullptr, CRuntimeClass::FromName(""));
}

TEST(RuntimeClassTest, CreateObjectByNameMakesAnObjectOfThatClass) {
    std::unique_ptr<CObject> object(CRuntimeClass::CreateObject("CDog"));
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(RUNTIME_CLASS(CDog), object->GetRuntimeClass());
    EXPECT_NE(nullptr, dynamic_cast<CDog*>(object.get()));
}

TEST(RuntimeClassTest, CreateObjectFromRecordMakesAnObject) {
    std::unique_ptr<CObject> object(RUNTIME_CLASS(CAnimal)->CreateObject());
    ASSERT_NE(nullptr, object);
    EXPECT_EQ(RUNTIME_CLASS(CAnimal), object->GetRuntimeClass());
}

TEST(RuntimeClassTest, ClassesWithoutCreationFunctionOrNameGiveNull) {
    EXPECT_EQ(nullptr, CRuntimeClass::CreateObject("CRobot"));
    EXPECT_EQ(nullptr, CRuntimeClass::CreateObject("CObject"));
    EXPECT_EQ(nullptr, CRuntimeClass::CreateObject("NoSuchClass"));
}

TEST(RuntimeClassTest, IsKindOfFollowsTheBaseChain) {
    CDog dog;
    EXPECT_TRUE(dog.IsKindOf(RUNTIME_CLASS(CDog)));
    EXPECT_TRUE(dog.IsKindOf(RUNTIME_CLASS(CAnimal)));
    EXPECT_TRUE(dog.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(dog.IsKindOf(RUNTIME_CLASS(CRobot)));
    CAnimal animal;
    EXPECT_FALSE(animal.IsKindOf(RUNTIME_CLASS(CDog)));
}

TEST(RuntimeClassTest, OnlySerialClassesAreSerializable) {
    EXPECT_TRUE(CDog().IsSerializable());
    EXPECT_FALSE(CAnimal().IsSerializable());
    EXPECT_FALSE(CRobot().IsSerializable());
}

TEST(RuntimeClassTest, RegisteredClassesListsEveryRecordOnce) {
    auto records = fw::RegisteredClasses();
    int dogs = 0;
    for (const CRuntimeClass* record : records) dogs += record == RUNTIME_CLASS(CDog) ? 1 : 0;
    EXPECT_EQ(1, dogs);
}

TEST(RuntimeClassTest, DumpNamesTheClass) {
    CDog dog;
    std::ostringstream out;
    dog.Dump(out);
    EXPECT_EQ(0u, out.str().find("a CDog at 0x")) << out.str();
}

}  // namespace
