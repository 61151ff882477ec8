#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>

#include "registry_test_fixture.h"
#include "win32/winerror.h"

namespace {

using RegistryValues = RegistryStoreTest;

TEST_F(RegistryValues, StringReadsBackWithItsTypeAndSize) {
    HKEY key = Create("App");
    ASSERT_EQ(SetString(key, "Name", "Tablesmith"), ERROR_SUCCESS);
    char buffer[32];
    DWORD type = 0, size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExA(key, "NAME", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 11u);
    EXPECT_STREQ(buffer, "Tablesmith");
    RegCloseKey(key);
}

TEST_F(RegistryValues, SizeAloneIsToldWithoutABuffer) {
    HKEY key = Create("App");
    SetString(key, "Name", "abc");
    DWORD size = 0, type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    RegCloseKey(key);
}

TEST_F(RegistryValues, SmallBufferGivesMoreDataWithTheSizeNeeded) {
    HKEY key = Create("App");
    SetString(key, "Name", "Tablesmith");
    char buffer[4] = {'x', 'x', 'x', 'x'};
    DWORD type = 0, size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(buffer, 4), "xxxx");
    RegCloseKey(key);
}

TEST_F(RegistryValues, MissingValueIsFileNotFound) {
    HKEY key = Create("App");
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "None", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(key, "None"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryValues, NullAndEmptyNameBothMeanTheDefaultValue) {
    HKEY key = Create("App");
    SetString(key, nullptr, "standard");
    char buffer[16];
    DWORD size = sizeof buffer;
    ASSERT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "standard");
    RegCloseKey(key);
}

TEST_F(RegistryValues, EveryTypeKeepsItsBytesExactly) {
    HKEY key = Create("Types");
    const DWORD number = 0x12345678;
    const std::string multi("one\0two\0\0", 9);
    const std::string binary("\0\xff\x10", 3);
    const std::string unterminated = "no zero";
    RegSetValueExA(key, "dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
    RegSetValueExA(key, "multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()), 9);
    RegSetValueExA(key, "bin", 0, REG_BINARY, reinterpret_cast<const BYTE*>(binary.data()), 3);
    RegSetValueExA(key, "expand", 0, REG_EXPAND_SZ,
                   reinterpret_cast<const BYTE*>(unterminated.data()), 7);
    RegSetValueExA(key, "empty", 0, REG_BINARY, nullptr, 0);
    RegCloseKey(key);

    HKEY read = nullptr;
    ASSERT_EQ(Open("Types", KEY_READ, &read), ERROR_SUCCESS);
    auto get = [&](const char* name, DWORD expected_type) {
        char buffer[32];
        DWORD type = 0, size = sizeof buffer;
        EXPECT_EQ(
            RegQueryValueExA(read, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
            ERROR_SUCCESS);
        EXPECT_EQ(type, expected_type) << name;
        return std::string(buffer, size);
    };
    EXPECT_EQ(get("dword", REG_DWORD), std::string("\x78\x56\x34\x12", 4));
    EXPECT_EQ(get("multi", REG_MULTI_SZ), multi);
    EXPECT_EQ(get("bin", REG_BINARY), binary);
    EXPECT_EQ(get("expand", REG_EXPAND_SZ), unterminated);
    EXPECT_EQ(get("empty", REG_BINARY), "");
    RegCloseKey(read);
}

TEST_F(RegistryValues, ArgumentsThatCannotWorkAreInvalid) {
    HKEY key = Create("App");
    BYTE buffer[4];
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, buffer, nullptr),
              ERROR_INVALID_PARAMETER);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(key, "v", &reserved, nullptr, buffer, &size),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(key, "v", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExA(reinterpret_cast<HKEY>(0x4242), "v", 0, REG_BINARY, buffer, 1),
              ERROR_INVALID_HANDLE);
    RegCloseKey(key);
}

TEST_F(RegistryValues, DeleteValueRemovesItAndNeedsSetValueRights) {
    HKEY key = Create("App");
    SetString(key, "a", "1");
    HKEY read = nullptr;
    ASSERT_EQ(Open("App", KEY_READ, &read), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(read, "a"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(key, "A"), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(read, "a", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(read);
    RegCloseKey(key);
}

TEST_F(RegistryValues, EnumerationListsValuesInTheOrderTheyWereFirstSet) {
    HKEY key = Create("App");
    SetString(key, "zeta", "1");
    SetString(key, "Alpha", "22");
    SetString(key, "zeta", "333");  // replacing keeps the place
    std::vector<std::string> names;
    for (DWORD i = 0;; ++i) {
        char name[16];
        DWORD name_size = sizeof name, type = 0, data_size = 0;
        LONG rc = RegEnumValueA(key, i, name, &name_size, nullptr, &type, nullptr, &data_size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        EXPECT_EQ(name_size, std::strlen(name));
        names.push_back(name + std::string("=") + std::to_string(data_size));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"zeta=4", "Alpha=3"}));
    RegCloseKey(key);
}

TEST_F(RegistryValues, EnumerationTellsWhichBufferIsTooSmall) {
    HKEY key = Create("App");
    SetString(key, "Name", "long value");
    char name[8];
    DWORD name_size = 4;  // "Name" needs 5
    EXPECT_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    EXPECT_EQ(name_size, 4u);

    BYTE data[4];
    DWORD data_size = sizeof data;
    name_size = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 0, name, &name_size, nullptr, nullptr, data, &data_size),
              ERROR_MORE_DATA);
    EXPECT_STREQ(name, "Name");
    EXPECT_EQ(data_size, 11u);
    name_size = sizeof name;
    EXPECT_EQ(RegEnumValueA(key, 1, name, &name_size, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST_F(RegistryValues, ValuesSurviveTheProcessThatSetThem) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HKEY key = nullptr;
        LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Written", 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr);
        const char text[] = "from the child";
        if (rc == ERROR_SUCCESS)
            rc = RegSetValueExA(key, "Who", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                sizeof text);
        ::_exit(rc == ERROR_SUCCESS ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\written", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char buffer[32];
    DWORD size = sizeof buffer;
    ASSERT_EQ(
        RegQueryValueExA(key, "who", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "from the child");
    RegCloseKey(key);
}

TEST_F(RegistryValues, TwoProcessesWritingAtOnceLoseNoValue) {
    RegCloseKey(Create("Shared"));
    constexpr int kPerProcess = 25;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            HKEY key = nullptr;
            bool ok = RegOpenKeyExA(HKEY_CURRENT_USER, "Shared", 0, KEY_WRITE, &key) == 0;
            for (int i = 0; ok && i < kPerProcess; ++i)
                ok = SetString(key, ("p" + std::to_string(c) + "_" + std::to_string(i)).c_str(),
                               "v") == ERROR_SUCCESS;
            ::_exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HKEY key = nullptr;
    ASSERT_EQ(Open("Shared", KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u * kPerProcess);
    RegCloseKey(key);
}

TEST_F(RegistryValues, FailedWriteOfTheStoreDropsTheChangeAndKeepsTheFile) {
    HKEY key = Create("App");
    SetString(key, "kept", "1");
    const std::string before = testing_support::ReadFile(store());
    // A file size limit makes writing the new store fail, even for root.
    rlimit old_limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
    rlimit limit = old_limit;
    limit.rlim_cur = before.size() + 16;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    LONG rc = SetString(key, "lost", std::string(200, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_NE(rc, ERROR_SUCCESS);
    EXPECT_EQ(testing_support::ReadFile(store()), before);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "kept", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "lost", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"registry.txt", "registry.txt.lock"}));
    RegCloseKey(key);
}

}  // namespace
