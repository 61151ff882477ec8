// CMsiDatabase: an open installer database, owned through its handle. It
// keeps the package path for its error texts, reports every failed installer
// call made on it or on its views, and owns the temporary files registered
// with it (the table view's binary fields), which it deletes when it shuts down.
#pragma once

#include <cstdint>
#include <string>

#include "msi_handle.h"
#include "string_list_ex.h"

class CMsiDatabase : public CMsiHandle {
  public:
    // The flags-word bit that says the database is open.
    static constexpr std::uint32_t kOpenFlag = 0x2;

    CMsiDatabase();
    // Deletes the registered files and closes the database.
    ~CMsiDatabase() override;

    // Opens `path` with the installer's persist argument, passed through
    // unchanged: a predefined mode (MSIDBOPEN_READONLY ... CREATEDIRECT) or
    // the path of an output database. Whatever was open before is shut down
    // first. True when the database is open afterwards; a failure is reported.
    bool Open(const std::string& path, LPCSTR persist);
    // The same with a predefined mode as a number (0 read-only ... 4 create direct).
    bool Open(const std::string& path, int mode);
    bool IsOpen() const { return (m_dwFlags & kOpenFlag) != 0; }

    // Registers a file to delete at Shutdown; held once, an empty path never.
    void AddTempFile(const std::string& path);
    const CStringListEx& GetTempFiles() const { return m_slTempFiles; }

    // Reports a failed installer call made on this database (see
    // installer::InstallerErrorText for the wording) with m_dwReportFlags.
    void ReportError(const char* context, const char* detail, UINT code) const;

    // Closes the handle if the database is open; the open bit stays set when
    // the installer refuses, and the handle is forgotten all the same.
    bool Close() override;
    // Flags word 0 and path "". The handle is Close's business.
    void Reset() override;
    // Deletes every registered file (failures ignored), empties the list,
    // then Close and Reset.
    virtual void Shutdown();

    const std::string& GetPath() const { return m_strPath; }

    std::uint32_t m_dwReportFlags = 2;

  private:
    void DeleteTempFiles();

    std::string m_strPath;
    CStringListEx m_slTempFiles;
};
