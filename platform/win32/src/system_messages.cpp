// The system message table: the English texts Windows gives for its error
// codes, for the codes this system can produce or meet. Each text is the one
// Windows shows, with its final period and the "\r\n" the message compiler
// puts after every message.
#include "system_messages.h"

#include <algorithm>
#include <iterator>

namespace win32 {
namespace {

struct SystemMessage {
    DWORD code;
    const char* text;
};

// Sorted by code, for the binary search below.
constexpr SystemMessage kSystemMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {4, "The system cannot open the file.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {13, "The data is invalid.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {17, "The system cannot move the file to a different disk drive.\r\n"},
    {18, "There are no more files.\r\n"},
    {19, "The media is write protected.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {38, "Reached the end of the file.\r\n"},
    {50, "The request is not supported.\r\n"},
    {80, "The file exists.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {109, "The pipe has been ended.\r\n"},
    {110, "The system cannot open the device or file specified.\r\n"},
    {111, "The file name is too long.\r\n"},
    {112, "There is not enough space on the disk.\r\n"},
    {120, "This function is not supported on this system.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {145, "The directory is not empty.\r\n"},
    {161, "The specified path is invalid.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {206, "The filename or extension is too long.\r\n"},
    {232, "The pipe is being closed.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {267, "The directory name is invalid.\r\n"},
    {317,
     "The system cannot find message text for message number 0x%1 in the message file for "
     "%2.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1014,
     "One of the files in the registry database had to be recovered by use of a log or "
     "alternate copy. The recovery was successful.\r\n"},
    {1015,
     "The registry is corrupted. The structure of one of the files containing registry data "
     "is corrupted, or the system's memory image of the file is corrupted, or the file could "
     "not be recovered because the alternate copy or log was absent or corrupted.\r\n"},
    {1016,
     "An I/O operation initiated by the registry failed unrecoverably. The registry could not "
     "read in, or write out, or flush, one of the files that contain the system's image of "
     "the registry.\r\n"},
    {1017,
     "The system has attempted to load or restore a file into the registry, but the "
     "specified file is not in a registry file format.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {1601,
     "The Windows Installer Service could not be accessed. This can occur if the Windows "
     "Installer is not correctly installed. Contact your support personnel for "
     "assistance.\r\n"},
    {1602, "User cancelled installation.\r\n"},
    {1603, "Fatal error during installation.\r\n"},
    {1604, "Installation suspended, incomplete.\r\n"},
    {1605, "This action is only valid for products that are currently installed.\r\n"},
    {1606, "Feature ID not registered.\r\n"},
    {1607, "Component ID not registered.\r\n"},
    {1608, "Unknown property.\r\n"},
    {1609, "Handle is in an invalid state.\r\n"},
    {1610,
     "The configuration data for this product is corrupt. Contact your support "
     "personnel.\r\n"},
    {1611, "Component qualifier not present.\r\n"},
    {1612,
     "The installation source for this product is not available. Verify that the source "
     "exists and that you can access it.\r\n"},
    {1613,
     "This installation package cannot be installed by the Windows Installer service. You "
     "must install a Windows service pack that contains a newer version of the Windows "
     "Installer service.\r\n"},
    {1614, "Product is uninstalled.\r\n"},
    {1615, "SQL query syntax invalid or unsupported.\r\n"},
    {1616, "Record field does not exist.\r\n"},
    {1617, "The device has been removed.\r\n"},
    {1618,
     "Another installation is already in progress. Complete that installation before "
     "proceeding with this install.\r\n"},
    {1619,
     "This installation package could not be opened. Verify that the package exists and that "
     "you can access it, or contact the application vendor to verify that this is a valid "
     "Windows Installer package.\r\n"},
    {1620,
     "This installation package could not be opened. Contact the application vendor to verify "
     "that this is a valid Windows Installer package.\r\n"},
    {1621,
     "There was an error starting the Windows Installer service user interface. Contact your "
     "support personnel.\r\n"},
    {1622,
     "Error opening installation log file. Verify that the specified log file location exists "
     "and that you can write to it.\r\n"},
    {1623, "The language of this installation package is not supported by your system.\r\n"},
    {1624, "Error applying transforms. Verify that the specified transform paths are valid.\r\n"},
    {1625,
     "This installation is forbidden by system policy. Contact your system "
     "administrator.\r\n"},
    {1626, "Function could not be executed.\r\n"},
    {1627, "Function failed during execution.\r\n"},
    {1628, "Invalid or unknown table specified.\r\n"},
    {1629, "Data supplied is of wrong type.\r\n"},
    {1630, "Data of this type is not supported.\r\n"},
    {1631, "The Windows Installer service failed to start. Contact your support personnel.\r\n"},
    {1632,
     "The Temp folder is on a drive that is full or is inaccessible. Free up space on the "
     "drive or verify that you have write permission on the Temp folder.\r\n"},
    {1633,
     "This installation package is not supported by this processor type. Contact your product "
     "vendor.\r\n"},
    {1634, "Component not used on this computer.\r\n"},
    {1635,
     "This update package could not be opened. Verify that the update package exists and that "
     "you can access it, or contact the application vendor to verify that this is a valid "
     "Windows Installer update package.\r\n"},
    {1636,
     "This update package could not be opened. Contact the application vendor to verify that "
     "this is a valid Windows Installer update package.\r\n"},
    {1637,
     "This update package cannot be processed by the Windows Installer service. You must "
     "install a Windows service pack that contains a newer version of the Windows Installer "
     "service.\r\n"},
    {1638,
     "Another version of this product is already installed. Installation of this version "
     "cannot continue. To configure or remove the existing version of this product, use "
     "Add/Remove Programs on the Control Panel.\r\n"},
    {1639,
     "Invalid command line argument. Consult the Windows Installer SDK for detailed command "
     "line help.\r\n"},
    {1640,
     "Only administrators have permission to add, remove, or configure server software during "
     "a Terminal services remote session. If you want to install or configure software on the "
     "server, contact your network administrator.\r\n"},
    {1641,
     "The requested operation completed successfully. The system will be restarted so the "
     "changes can take effect.\r\n"},
    {1642,
     "The upgrade cannot be installed by the Windows Installer service because the program to "
     "be upgraded may be missing, or the upgrade may update a different version of the "
     "program. Verify that the program to be upgraded exists on your computer and that you "
     "have the correct upgrade.\r\n"},
    {1815, "The specified resource language ID cannot be found in the image file.\r\n"},
    {1921, "The name of the file cannot be resolved by the system.\r\n"},
    {3010,
     "The requested operation is successful. Changes will not be effective until the system "
     "is rebooted.\r\n"},
};

}  // namespace

const char* SystemMessageText(DWORD code) {
    auto it = std::lower_bound(std::begin(kSystemMessages), std::end(kSystemMessages), code,
                               [](const SystemMessage& m, DWORD c) { return m.code < c; });
    if (it == std::end(kSystemMessages) || it->code != code) return nullptr;
    return it->text;
}

}  // namespace win32
