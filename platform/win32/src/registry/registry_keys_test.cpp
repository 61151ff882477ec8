#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "registry_test_fixture.h"
#include "win32/winerror.h"

namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

using RegistryKeys = RegistryStoreTest;

TEST_F(RegistryKeys, CreateMakesTheKeyAndTheKeysAboveIt) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vendor\\App", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    HKEY vendor = nullptr;
    EXPECT_EQ(Open("software\\VENDOR", KEY_READ, &vendor), ERROR_SUCCESS);
    RegCloseKey(vendor);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\vendor\\app", 0, nullptr, 0, KEY_READ,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);
}

TEST_F(RegistryKeys, CreateRefusesPathsDeeperThan512Keys) {
    std::string path = "k";
    for (int i = 1; i < 513; ++i) path += "\\k";
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Open("k", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeys, OpeningAMissingKeyFailsWithFileNotFound) {
    HKEY key = reinterpret_cast<HKEY>(0x1234);
    EXPECT_EQ(Open("Software\\Missing", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryKeys, RootsAreSeparateTrees) {
    RegCloseKey(Create("Shared"));
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Shared", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, OpeningWithAnEmptyPathGivesANewHandleToTheSameKey) {
    HKEY app = Create("App");
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(app, "", 0, KEY_READ, &again), ERROR_SUCCESS);
    EXPECT_NE(again, app);
    RegCloseKey(app);
    DWORD values = 9;
    EXPECT_EQ(RegQueryInfoKeyA(again, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 0u);
    RegCloseKey(again);
}

TEST_F(RegistryKeys, BadHandlesAndArgumentsGiveTheirErrors) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(reinterpret_cast<HKEY>(0x7777), "x", 0, KEY_READ, &key),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "x", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\Leading", 0, KEY_READ, &key), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_READ, nullptr, &key,
                              nullptr),
              ERROR_INVALID_PARAMETER);
    HKEY app = Create("App");
    EXPECT_EQ(RegCloseKey(app), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(app), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(RegistryKeys, ReadOnlyHandleCannotWriteOrCreate) {
    RegCloseKey(Create("App"));
    HKEY key = nullptr;
    ASSERT_EQ(Open("App", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, "v", "x"), ERROR_ACCESS_DENIED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(Open("App\\Sub", KEY_READ, &sub), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, KeyMarkedReadOnlyInTheStoreDeniesWriteAccess) {
    WriteFile(store(), "VSB-REGISTRY 1\nkey\tHKEY_CURRENT_USER\\Locked\tread-only\n");
    HKEY key = nullptr;
    EXPECT_EQ(Open("Locked", KEY_WRITE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Locked", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Locked\\New", 0, nullptr, 0, KEY_READ, nullptr,
                              &key, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Locked"), ERROR_ACCESS_DENIED);
    ASSERT_EQ(Open("Locked", KEY_READ | MAXIMUM_ALLOWED, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, "v", "x"), ERROR_ACCESS_DENIED);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, DeleteKeyRefusesKeysWithSubKeys) {
    RegCloseKey(Create("A\\B"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "A"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "a\\b"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "A\\B"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "A"), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(Open("A", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryKeys, DeleteKeyNeedsNoRightsOnTheParentHandle) {
    RegCloseKey(Create("Loc\\Section"));
    HKEY loc = nullptr;
    ASSERT_EQ(Open("Loc", 0x2001F, &loc), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(loc, "Section"), ERROR_SUCCESS);
    RegCloseKey(loc);
}

TEST_F(RegistryKeys, HandleToADeletedKeyReportsKeyDeleted) {
    HKEY key = Create("Gone");
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Gone"), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, "v", "x"), ERROR_KEY_DELETED);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, SubKeysAreListedByNameIgnoringCase) {
    RegCloseKey(Create("P\\beta"));
    RegCloseKey(Create("P\\Alpha"));
    RegCloseKey(Create("P\\GAMMA"));
    HKEY parent = nullptr;
    ASSERT_EQ(Open("P", KEY_READ, &parent), ERROR_SUCCESS);
    std::vector<std::string> names;
    char name[16];
    DWORD index = 0;
    for (;; ++index) {
        DWORD size = sizeof name;
        LONG rc = RegEnumKeyExA(parent, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        EXPECT_EQ(size, std::string(name).size());
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "GAMMA"}));
    DWORD small = 5;  // "Alpha" needs 6 with its zero byte
    EXPECT_EQ(RegEnumKeyExA(parent, 0, name, &small, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    RegCloseKey(parent);
}

TEST_F(RegistryKeys, QueryInfoTellsCountsAndLongestNamesAndData) {
    HKEY key = Create("Info");
    RegCloseKey(Create("Info\\Child"));
    RegCloseKey(Create("Info\\LongerChild"));
    SetString(key, "Name", "value");
    SetString(key, "LongestName", "");
    DWORD sub_keys = 0, max_sub = 0, values = 0, max_name = 0, max_data = 0;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &sub_keys, &max_sub, nullptr,
                               &values, &max_name, &max_data, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(sub_keys, 2u);
    EXPECT_EQ(max_sub, 11u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(max_name, 11u);
    EXPECT_EQ(max_data, 6u);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, DamagedStoreGivesErrorsAndIsLeftAlone) {
    const std::string damaged = "VSB-REGISTRY 1\nkey\tHKEY_CURRENT_USER\\A\nvalue\tv\t4\tzz\n";
    WriteFile(store(), damaged);
    HKEY key = nullptr;
    EXPECT_EQ(Open("A", KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, "B", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(RegSetValueExA(HKEY_CURRENT_USER, "v", 0, REG_BINARY, nullptr, 0),
              ERROR_REGISTRY_CORRUPT);
    EXPECT_EQ(ReadFile(store()), damaged);

    // Once repaired, the same process sees the store again.
    WriteFile(store(), "VSB-REGISTRY 1\nkey\tHKEY_CURRENT_USER\\A\n");
    EXPECT_EQ(Open("A", KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, TruncatedOrForeignFilesNeverCrash) {
    const std::string texts[] = {std::string("\0\1\2", 3), "VSB-REGISTRY 1\nkey\t",
                                 "VSB-REGISTRY 1\nkey\tHKEY_USERS\\%", "VSB-REGISTRY 1\nvalue",
                                 "[HKEY_CURRENT_USER\\x]\n\"a\"=\"b\"\n"};
    for (const std::string& text : texts) {
        WriteFile(store(), text);
        HKEY key = nullptr;
        EXPECT_EQ(Open("x", KEY_READ, &key), ERROR_REGISTRY_CORRUPT) << text;
    }
}

TEST_F(RegistryKeys, EveryChangeIsInTheFileAtOnce) {
    HKEY key = Create("Software\\App");
    SetString(key, "Name", "Tablesmith");
    RegCloseKey(key);
    EXPECT_EQ(ReadFile(store()),
              "VSB-REGISTRY 1\n"
              "key\tHKEY_CURRENT_USER\\Software\n"
              "key\tHKEY_CURRENT_USER\\Software\\App\n"
              "value\tName\t1\tTablesmith%00\n");
    // Only the store and its lock file: no temporary file is left behind.
    EXPECT_EQ(dir_.Entries(), (std::vector<std::string>{"registry.txt", "registry.txt.lock"}));
}

TEST_F(RegistryKeys, ChangesMadeByAnotherWriterAreSeen) {
    RegCloseKey(Create("Mine"));
    WriteFile(store(), "VSB-REGISTRY 1\nkey\tHKEY_CURRENT_USER\\Theirs\n");
    HKEY key = nullptr;
    EXPECT_EQ(Open("Mine", KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open("Theirs", KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

TEST_F(RegistryKeys, NewStoreFolderIsPrivateToTheUser) {
    win32::SetRegistryStorePath((dir_.path() / "new" / "registry.txt").string());
    RegCloseKey(Create("App"));
    auto perms = std::filesystem::status(dir_.path() / "new").permissions();
    EXPECT_EQ(perms & std::filesystem::perms::all, std::filesystem::perms::owner_all);
}

TEST_F(RegistryKeys, DefaultStoreLivesInTheConfigurationFolder) {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_CONFIG_HOME", dir_.str().c_str(), 1);
    win32::SetRegistryStorePath("");
    std::string path = win32::RegistryStorePath();
    if (old)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(path, dir_.str() + "/vsb/registry.txt");
}

}  // namespace
