// A private registry store in a temporary folder for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "win32/registry.h"
#include "win32/winerror.h"

class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { win32::SetRegistryStorePath(store()); }
    void TearDown() override { win32::SetRegistryStorePath(""); }

    std::string store() const { return (dir_.path() / "registry.txt").string(); }

    // Creates (or opens) a key below HKEY_CURRENT_USER with all rights.
    HKEY Create(const char* path) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    LONG Open(const char* path, REGSAM access, HKEY* key) {
        return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, key);
    }
    LONG SetString(HKEY key, const char* name, const std::string& text) {
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1));
    }

    testing_support::TempDir dir_;
};
