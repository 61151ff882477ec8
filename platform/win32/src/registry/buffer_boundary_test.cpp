// Every registry and INI call that fills a caller's buffer, at and around
// the size that just fits: a guard after the buffer must stay untouched,
// and the answer must be the one promised for a buffer that is too small,
// exactly large enough, or larger.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "guarded_buffer.h"
#include "registry_test_fixture.h"
#include "win32/profile.h"

namespace {

using testing_support::GuardedBuffer;

class BufferBoundary : public RegistryStoreTest {
  protected:
    void SetUp() override {
        RegistryStoreTest::SetUp();
        key_ = Create("Software\\Boundary");
        ASSERT_EQ(SetString(key_, "ValueName", "some data"), ERROR_SUCCESS);
        RegCloseKey(Create("Software\\Boundary\\SubKeyName"));
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegistryStoreTest::TearDown();
    }
    HKEY key_ = nullptr;
};

TEST_F(BufferBoundary, ValueDataFitsOrAsksForMore) {
    const std::string data("some data\0", 10);
    for (DWORD capacity = 0; capacity <= data.size() + 2; ++capacity) {
        SCOPED_TRACE(capacity);
        GuardedBuffer buffer(capacity);
        DWORD size = capacity;
        const LONG result =
            RegQueryValueExA(key_, "ValueName", nullptr, nullptr, buffer.bytes(), &size);
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_EQ(size, data.size());
        if (capacity >= data.size()) {
            EXPECT_EQ(result, ERROR_SUCCESS);
            EXPECT_EQ(buffer.Bytes().substr(0, data.size()), data);
        } else {
            EXPECT_EQ(result, ERROR_MORE_DATA);
        }
    }
}

// Names are counted in characters with the terminator going in, and
// without it coming out.
TEST_F(BufferBoundary, EnumeratedNamesFitOrAskForMore) {
    struct Enumerator {
        const char* what;
        std::string name;
        std::function<LONG(char*, DWORD*)> call;
    };
    const std::vector<Enumerator> enumerators = {
        {"value", "ValueName",
         [&](char* b, DWORD* s) {
             return RegEnumValueA(key_, 0, b, s, nullptr, nullptr, nullptr, nullptr);
         }},
        {"key", "SubKeyName",
         [&](char* b, DWORD* s) {
             return RegEnumKeyExA(key_, 0, b, s, nullptr, nullptr, nullptr, nullptr);
         }},
    };
    for (const Enumerator& e : enumerators) {
        for (DWORD capacity = 0; capacity <= e.name.size() + 2; ++capacity) {
            SCOPED_TRACE(std::string(e.what) + " name, buffer of " + std::to_string(capacity));
            GuardedBuffer buffer(capacity);
            DWORD size = capacity;
            const LONG result = e.call(buffer.data(), &size);
            EXPECT_TRUE(buffer.GuardIntact());
            if (capacity > e.name.size()) {
                EXPECT_EQ(result, ERROR_SUCCESS);
                EXPECT_EQ(size, e.name.size());
                EXPECT_EQ(buffer.Text(), e.name);
            } else {
                EXPECT_EQ(result, ERROR_MORE_DATA);
            }
        }
    }
}

// A class name is always empty here: even a buffer of one byte holds it,
// and a buffer of none is left alone.
TEST_F(BufferBoundary, ClassNamesNeverOverrun) {
    for (DWORD capacity : {0u, 1u, 2u}) {
        SCOPED_TRACE(capacity);
        GuardedBuffer name(32), klass(capacity);
        DWORD name_size = name.size(), class_size = capacity;
        EXPECT_EQ(RegEnumKeyExA(key_, 0, name.data(), &name_size, nullptr, klass.data(),
                                &class_size, nullptr),
                  ERROR_SUCCESS);
        EXPECT_TRUE(klass.GuardIntact());
        EXPECT_EQ(class_size, 0u);
        GuardedBuffer info_class(capacity);
        DWORD info_size = capacity;
        EXPECT_EQ(RegQueryInfoKeyA(key_, info_class.data(), &info_size, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
                  ERROR_SUCCESS);
        EXPECT_TRUE(info_class.GuardIntact());
        EXPECT_EQ(info_size, 0u);
    }
}

// An INI value is cut to the buffer less its terminator; a list of names is
// cut so that two zero bytes still end it.
TEST_F(BufferBoundary, IniValuesAndNameListsAreCutInsideTheBuffer) {
    const std::string ini = (dir_.path() / "boundary.ini").string();
    testing_support::WriteFile(ini, "[Section]\nalpha=abcdefgh\nbeta=2\n");
    const std::string value = "abcdefgh";
    const std::string list("alpha\0beta\0\0", 12);
    for (DWORD capacity = 1; capacity <= list.size() + 2; ++capacity) {
        SCOPED_TRACE(capacity);
        GuardedBuffer buffer(capacity);
        const DWORD length =
            GetPrivateProfileStringA("Section", "alpha", "", buffer.data(), capacity, ini.c_str());
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_EQ(length, std::min<DWORD>(value.size(), capacity - 1));
        EXPECT_EQ(buffer.Text(), value.substr(0, capacity - 1));

        GuardedBuffer names(capacity);
        const DWORD names_length =
            GetPrivateProfileStringA("Section", nullptr, "", names.data(), capacity, ini.c_str());
        EXPECT_TRUE(names.GuardIntact());
        if (capacity >= list.size()) {
            EXPECT_EQ(names_length, list.size() - 1);
            EXPECT_EQ(names.Bytes().substr(0, list.size()), list);
        } else if (capacity >= 2) {
            EXPECT_EQ(names_length, capacity - 2);
            EXPECT_EQ(names.Bytes().substr(capacity - 2), std::string(2, '\0'));
        }
    }
}

}  // namespace
