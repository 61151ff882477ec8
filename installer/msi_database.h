// CMsiDatabase: an open installer database, owned through its handle. It
// keeps the package path for its error texts, reports every failed installer
// call made on it or on its views, and owns the temporary files registered
// with it (the table view's binary fields), which it deletes when it shuts down.
//
// The calls below that fail keep the engine's own words for why beside the
// result code (GetFailureText): a tool that tells the user about a failure
// asks the database for them, and nothing above this layer reads the
// engine's failure text itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msi_handle.h"
#include "msi_patch.h"
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
    // Opens `name` inside the folder open at `folder_fd`, through that
    // descriptor alone (msi::OpenDatabaseIn): its commits go to that folder
    // whatever its path names meanwhile. `path` is the name's full path, for
    // the error texts.
    bool OpenIn(int folder_fd, const std::string& name, const std::string& path, int mode);
    bool IsOpen() const { return (m_dwFlags & kOpenFlag) != 0; }

    // The installer's table export and import, commit and transforms on this
    // database; each returns the installer's result code. `base` is the
    // database a transform is taken against.
    UINT ExportTable(const std::string& table, const std::string& folder,
                     const std::string& file_name);
    UINT ImportTable(const std::string& folder, const std::string& file_name);
    // The same within a folder open at `folder_fd` (msi::DatabaseExportIn,
    // msi::DatabaseImportIn); `shown_folder` names it in messages.
    UINT ExportTableIn(const std::string& table, int folder_fd, const std::string& file_name);
    UINT ImportTableIn(int folder_fd, const std::string& shown_folder,
                       const std::string& file_name);
    UINT Commit();
    UINT ApplyTransform(const std::string& transform, int error_conditions);
    // The same for the transform in sub-storage `storage` of `file` (the
    // whole file when `storage` is empty), msi::DatabaseApplyTransformFrom.
    UINT ApplyTransformFrom(const std::string& file, const std::string& storage,
                            int error_conditions);
    // The validation terms of that transform this database does not meet as
    // it is now (msi::CheckTransformFit); `misfits` empty when it fits.
    UINT CheckTransformFit(const std::string& file, const std::string& storage,
                           std::vector<msi::TransformMisfit>& misfits);
    UINT GenerateTransform(const CMsiDatabase& base, const std::string& transform);
    // The installer's check that `path` is a package (a transform or a patch
    // opens as a database too, but is none); opens nothing.
    UINT VerifyPackage(const std::string& path);
    UINT CreateTransformSummaryInfo(const CMsiDatabase& base, const std::string& transform,
                                    int error_conditions, int validation);

    // Why the last of Open and the calls above that failed did, in the
    // engine's words ("Property.idt:4: 3 fields for 2 columns", "cannot open
    // x.msi: No such file or directory"); "" when the engine gave none or
    // when the last call succeeded.
    const std::string& GetFailureText() const { return m_strFailureText; }

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
    // Keeps the engine's words for `result` (none for a success); returns it.
    UINT KeepFailure(UINT result);

    std::string m_strPath;
    std::string m_strFailureText;
    CStringListEx m_slTempFiles;
};
