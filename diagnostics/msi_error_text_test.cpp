#include "msi_error_text.h"

#include <gtest/gtest.h>

#include <set>

namespace {

struct ExpectedText {
    UINT code;
    const char* text;
};

// The texts as the product documentation lists them, typed in separately from
// the implementation's table so that a slip in either shows up here.
// clang-format off
const ExpectedText kExpected[] = {
    {0, "(0000) Function succeded. Everything OK :)"},
    {1601, "(1601) The Windows Installer service could not be accessed.  Contact your support personnel to verify that the Windows Installer service is properly registered."},
    {1602, "(1602) User cancel installation."},
    {1603, "(1603) Fatal error during installation."},
    {1604, "(1604) Installation suspended, incomplete."},
    {1605, "(1605) This action is only valid for products that are currently installed."},
    {1606, "(1606) Feature ID not registered."},
    {1607, "(1607) Component ID not registered."},
    {1608, "(1608) Unknown property."},
    {1609, "(1609) Handle is in an invalid state."},
    {1610, "(1610) The configuration data for this product is corrupt. Contact your support personnel."},
    {1611, "(1611) Component qualifier not present."},
    {1612, "(1612) The installation source for this product is not available.  Verify that the source exists and that you can access it."},
    {1613, "(1613) This installation package cannot be installed by the Windows Installer service.  You must install a Windows service pack that contains a newer version of the Windows Installer service."},
    {1614, "(1614) Product is uninstalled."},
    {1615, "(1615) SQL query syntax invalid or unsupported."},
    {1616, "(1616) Record field does not exist."},
    {1618, "(1618) Another installation is already in progress.  Complete that installation before proceeding with this install."},
    {1619, "(1619) This installation package could not be opened.  Verify that the package exists and that you can access it, or contact the application vendor to verify that this is a valid Windows Installer package."},
    {1620, "(1620) This installation package could not be opened.  Contact the application vendor to verify that this is a valid Windows Installer package."},
    {1621, "(1621) There was an error starting the Windows Installer service user interface.  Contact your support personnel."},
    {1622, "(1622) Error opening installation log file.  Verify that the specified log file location exists and is writable."},
    {1623, "(1623) This language of this installation package is not supported by your system."},
    {1624, "(1624) Error applying transforms. Verify that the specified transform paths are valid."},
    {1625, "(1625) The system administrator has set policies to prevent this installation."},
    {1626, "(1626) Function could not be executed."},
    {1627, "(1627) Function failed during execution."},
    {1628, "(1628) Invalid or unknown table specified."},
    {1629, "(1629) Data supplied is of wrong type."},
    {1630, "(1630) Data of this type is not supported."},
    {1631, "(1631) The Windows Installer service failed to start. Contact your support personnel."},
    {1632, "(1632) The Temp folder is on a drive that is full or is inaccessible. Free up space on the drive or verify that you have write permission on the Temp folder."},
    {1633, "(1633) This installation package is not supported by this processor type. Contact your product vendor."},
    {1634, "(1634) Component not used on this machine."},
    {1635, "(1635) This patch package could not be opened.  Verify that the patch package exists and that you can access it, or contact the application vendor to verify that this is a valid Windows Installer patch package."},
    {1636, "(1636) This patch package could not be opened.  Contact the application vendor to verify that this is a valid Windows Installer patch package."},
    {1637, "(1637) This patch package cannot be processed by the Windows Installer service.  You must install a Windows service pack that contains a newer version of the Windows Installer service."},
    {1638, "(1638) Another version of this product is already installed.  Installation of this version cannot continue.  To configure or remove the existing version of this product, use Add/Remove Programs on the Control Panel."},
    {1639, "(1639) Invalid command line argument. Consult the Windows Installer SDK for detailed command line help."},
    {1640, "(1640) Configuration of this product is not permitted from remote sessions. Contact your administrator."},
    {1641, "(1641) The requested operation completed successfully.  The system will be restarted so the changes can take effect."},
    {1642, "(1642) The upgrade patch cannot be installed by the Windows Installer service because the program to be upgraded may be missing, or the upgrade patch may update a different version of the program. Verify that the program to be upgraded exists on your computer and that you have the correct upgrade patch."},
    {3010, "(3010) A reboot is required to complete the install. This does not include installs where the ForceReboot action is run."},
};
// clang-format on

// What the system's message table holds for a code, fetched the documented way.
std::string SystemText(DWORD code) {
    char* buffer = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&buffer), 0,
                   nullptr);
    if (buffer == nullptr) return {};
    std::string text = buffer;
    LocalFree(buffer);
    return text;
}

TEST(MsiErrorTextTest, EveryTableTextMatchesCharacterForCharacter) {
    ASSERT_EQ(43u, std::size(kExpected));
    for (const ExpectedText& expected : kExpected) {
        EXPECT_EQ(expected.text, VSB_MsiErrorText(expected.code)) << "code " << expected.code;
    }
}

TEST(MsiErrorTextTest, TableCoversExactlyTheDocumentedCodes) {
    std::set<UINT> codes;
    for (const ExpectedText& expected : kExpected) codes.insert(expected.code);
    EXPECT_EQ(43u, codes.size());
    EXPECT_EQ(0u, codes.count(1617));
    for (UINT code = 1601; code <= 1642; ++code) EXPECT_EQ(code != 1617, codes.count(code) == 1);
    EXPECT_EQ(1u, codes.count(3010));
}

TEST(MsiErrorTextTest, SuccessKeepsItsSpelling) {
    EXPECT_EQ("(0000) Function succeded. Everything OK :)", VSB_MsiErrorText(0));
}

TEST(MsiErrorTextTest, TableCodesLeaveTheLastErrorAlone) {
    for (const ExpectedText& expected : kExpected) {
        SetLastError(4711);
        VSB_MsiErrorText(expected.code);
        EXPECT_EQ(4711u, GetLastError()) << "code " << expected.code;
    }
}

TEST(MsiErrorTextTest, Code1617FallsBackToTheSystemAndSetsTheLastError) {
    SetLastError(0);
    std::string text = VSB_MsiErrorText(1617);
    EXPECT_EQ(1617u, GetLastError());
    EXPECT_EQ("(1617) " + SystemText(1617), text);
}

TEST(MsiErrorTextTest, PlainSystemErrorKeepsTheSystemLineBreak) {
    std::string text = VSB_MsiErrorText(2);
    EXPECT_EQ("(2) " + SystemText(2), text);
    ASSERT_GE(text.size(), 6u);
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
    EXPECT_EQ(2u, GetLastError());
}

TEST(MsiErrorTextTest, CodeWithoutSystemTextGivesTheParenthesisedCodeAlone) {
    const UINT no_text = 99999;
    ASSERT_EQ("", SystemText(no_text));
    EXPECT_EQ("(99999) ", VSB_MsiErrorText(no_text));
    // The failed lookup does not leave its own error behind.
    EXPECT_EQ(no_text, GetLastError());
}

TEST(MsiErrorTextTest, CodeWithTopBitSetPrintsAsNegativeAndIsLookedUpUnchanged) {
    const UINT code = 0x80070005u;
    std::string text = VSB_MsiErrorText(code);
    EXPECT_EQ(code, GetLastError());
    EXPECT_EQ("(-2147024891) " + SystemText(code), text);
}

TEST(MsiErrorTextTest, NeverEmpty) {
    for (UINT code : {0u, 1u, 1600u, 1617u, 1643u, 3009u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(VSB_MsiErrorText(code).empty()) << code;
    }
    EXPECT_EQ("(-1) ", VSB_MsiErrorText(0xFFFFFFFFu).substr(0, 5));
}

}  // namespace
