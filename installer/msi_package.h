// CMsiPackage: the package-level work on one installer package: is it a
// valid package, what are its product properties, and a private working copy
// in the temporary folder. Its handle is a product handle, open only inside
// OpenPackage and ReadProperties.
#pragma once

#include <cstdint>
#include <string>

#include "msi.h"
#include "msi_handle.h"

class CMsiPackage : public CMsiHandle {
  public:
    // Bits of the flags word.
    static constexpr std::uint32_t kProductOpen = 0x2;
    static constexpr std::uint32_t kPropertiesRead = 0x4;

    explicit CMsiPackage(const std::string& package_path);
    // Closes the product handle. The working copy is left alone: from the
    // moment it is made it belongs to whoever asked for it.
    ~CMsiPackage() override;

    // Closes the product handle if it is open; the bit stays set when the
    // installer refuses.
    bool Close() override;
    // Flags 0, UI level 2, report flags 2, package path and properties "".
    // The working copy path is kept.
    void Reset() override;

    void SetUILevel();
    // Is the file a valid installer package; a failure is reported.
    bool Verify();
    // Opens the product handle once; a failure is reported.
    bool OpenPackage();
    // Reads Manufacturer, ProductName, ProductVersion and ProductCode once;
    // false (and tried again next time) when the package cannot be opened.
    bool ReadProperties();
    // One property into `value` ("" on failure). A value too long for the
    // 255-character buffer is reported as a failed read.
    bool ReadProperty(const char* name, std::string& value);

    std::string GetProductCode();
    // Manufacturer, product name and version, joined by single blanks.
    std::string GetProductDescription();

    // Copies the package to a new, writable file named "wkmsi<seconds>.tmp"
    // in the temporary folder (with "-<n>" before ".tmp" when that name is
    // taken); an earlier copy of this object is deleted first.
    bool MakeWorkingCopy();
    const std::string& GetWorkingCopyPath() const { return m_strWorkingCopy; }

    // Reports a failed installer call, naming the package.
    void ReportError(const char* context, const char* detail, UINT code) const;

    const std::string& GetPackagePath() const { return m_strPackagePath; }

    // The flags of this object's reports (2: trace only).
    std::uint32_t m_dwReportFlags = 2;

  private:
    std::string m_strProductCode;
    std::string m_strProductName;
    std::string m_strProductVersion;
    std::string m_strManufacturer;
    std::string m_strPackagePath;
    std::int32_t m_iUILevel = 2;
    std::string m_strWorkingCopy;
};
