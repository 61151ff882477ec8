// MsiDbMgr: opens one installer package for a piece of work and cleans up
// after it. It verifies the package, reads its product identity, and opens
// either the package itself or a private working copy in the temporary
// folder. The manager owns the database it opens; callers borrow it.
//
// Closing or destroying the manager closes EVERY installer handle of the
// process (MsiCloseAllHandles), so no other installer object may be in use then.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "msi_database.h"
#include "s_object.h"

// Bits of the manager's flags word.
inline constexpr std::uint32_t MSIDBMGR_OPEN = 0x1;
// The package itself was opened: there is no working copy to delete.
inline constexpr std::uint32_t MSIDBMGR_IN_PLACE = 0x100;

class MsiDbMgr : public CSObject {
  public:
    MsiDbMgr() = default;
    // Runs Cleanup.
    ~MsiDbMgr() override;
    MsiDbMgr(const MsiDbMgr&) = delete;
    MsiDbMgr& operator=(const MsiDbMgr&) = delete;

    // Opens `package_path` (itself when `in_place`, else a working copy) with
    // the installer open mode `mode` (0 to 4). `transform_path` may be null and
    // is only stored. On an open manager returns true at once, looking at no
    // argument. Failures are reported; the caller learns false, and the
    // engine's words for why from GetFailureText.
    bool Open(const char* package_path, const char* transform_path, int mode, bool in_place);
    // The open database, or nullptr when the manager is closed. Never delete it.
    CMsiDatabase* GetDatabase() const;
    // Closes the database without committing it, then Cleanup; returns the
    // database's close result. A closed manager returns true.
    virtual bool Close();
    // Deletes the database object, closes every installer handle of the
    // process, deletes the working copy, and forgets the paths and flags.
    void Cleanup();

    const std::string& GetPackagePath() const { return m_strPackagePath; }
    const std::string& GetOpenedPath() const { return m_strOpenedPath; }
    const std::string& GetTransformPath() const { return m_strTransformPath; }
    const std::string& GetProductCode() const { return m_strProductCode; }
    const std::string& GetProductDescription() const { return m_strProductDescription; }
    // Why the last Open failed, in the engine's words; "" when it gave none
    // or Open succeeded.
    const std::string& GetFailureText() const { return m_strFailureText; }

  private:
    // Deletes the database object and the working copy and forgets the
    // paths and flags, without touching other installer handles.
    void DiscardLeftovers();

    std::string m_strPackagePath;
    std::string m_strOpenedPath;
    std::string m_strTransformPath;
    std::unique_ptr<CMsiDatabase> m_pDatabase;
    std::string m_strProductCode;
    std::string m_strProductDescription;
    std::string m_strFailureText;
};

// The name of an installer open mode: "MSIDBOPEN_READONLY" (0) ...
// "MSIDBOPEN_CREATEDIRECT" (4), "UNDEFINED" for any other value.
std::string GetOpenModeName(int mode);
