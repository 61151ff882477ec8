// The product (package) calls of the interface. A product here is a package
// opened read-only so that its Property table can be read; the engine runs no
// installation and shows no user interface.
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sys/stat.h>

#include "api/api_objects.h"
#include "api/handle_table.h"
#include "api/last_failure.h"
#include "api/string_out.h"
#include "msiquery.h"
#include "storage/directory_entry.h"

using msi::api::HandleKind;
using msi::db::Database;

namespace {

struct Product {
    std::shared_ptr<Database> db;
};

std::atomic<int> ui_level{INSTALLUILEVEL_DEFAULT};

// Why `path` is no file to open as a package, or "" when it is a regular
// file. Anything else is refused before it is opened (a FIFO would block).
std::string NotAFile(const char* path) {
    struct stat st {};
    if (::stat(path, &st) != 0)
        return std::string("cannot open ") + path + ": " + std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return std::string("cannot open ") + path + ": not a regular file";
    return {};
}

// Opens a file as a package: ERROR_SUCCESS, or the product calls' codes for
// a file that is missing (open failed) or not a package (invalid); the
// reason is left for msi::LastFailureText.
UINT OpenPackage(const char* path, std::shared_ptr<Database>& out) {
    msi::api::ClearLastFailure();
    if (const std::string why = NotAFile(path); !why.empty()) {
        msi::api::NoteLastFailure(msi::Status::NotFound(why));
        return ERROR_INSTALL_PACKAGE_OPEN_FAILED;
    }
    msi::db::OpenRequest request;
    request.path = path;
    auto db = Database::Open(request);
    if (!db.ok()) {
        msi::api::NoteLastFailure(db.status());
        return ERROR_INSTALL_PACKAGE_INVALID;
    }
    if ((*db)->clsid() != msi::storage::kPackageClsid) {
        msi::api::NoteLastFailure(msi::Status::Unsupported(
            std::string(path) + " is a transform or a patch, not a package"));
        return ERROR_INSTALL_PACKAGE_INVALID;
    }
    out = std::move(db).value();
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" UINT MsiOpenPackageA(LPCSTR szPackagePath, MSIHANDLE* hProduct) {
    if (!szPackagePath || !hProduct) return ERROR_INVALID_PARAMETER;
    *hProduct = 0;
    auto product = std::make_shared<Product>();
    if (UINT rc = OpenPackage(szPackagePath, product->db); rc != ERROR_SUCCESS) return rc;
    *hProduct = msi::api::NewHandle(HandleKind::kProduct, std::move(product));
    return *hProduct ? ERROR_SUCCESS : ERROR_OUTOFMEMORY;
}

extern "C" UINT MsiVerifyPackageA(LPCSTR szPackagePath) {
    if (!szPackagePath) return ERROR_INVALID_PARAMETER;
    std::shared_ptr<Database> db;
    return OpenPackage(szPackagePath, db);
}

extern "C" UINT MsiGetProductPropertyA(MSIHANDLE hProduct, LPCSTR szProperty, LPSTR lpValueBuf,
                                       DWORD* pcchValueBuf) {
    auto product = msi::api::HandleObject<Product>(hProduct, HandleKind::kProduct);
    if (!product) return ERROR_INVALID_HANDLE;
    if (!szProperty || (lpValueBuf && !pcchValueBuf)) return ERROR_INVALID_PARAMETER;
    std::string value;
    // A package without a Property table has no properties: every one is "".
    auto table = product->db->GetTable("Property");
    if (table.ok() && (*table)->schema().column_count() >= 2) {
        auto id = product->db->pool().FindText(szProperty);
        if (id.ok() && *id != 0) {
            for (const auto& row : (*table)->rows()) {
                if (row->cells[0] != *id) continue;
                auto text = product->db->Text(row->cells[1]);
                if (text.ok()) value = std::move(text).value();
                break;
            }
        }
    }
    if (!pcchValueBuf) return ERROR_SUCCESS;
    return msi::api::CopyStringOut(value, lpValueBuf, pcchValueBuf);
}

extern "C" INSTALLUILEVEL MsiSetInternalUI(INSTALLUILEVEL dwUILevel, HWND* phWnd) {
    (void)phWnd;  // no window exists to parent anything to
    if (dwUILevel == INSTALLUILEVEL_NOCHANGE) return static_cast<INSTALLUILEVEL>(ui_level.load());
    return static_cast<INSTALLUILEVEL>(ui_level.exchange(dwUILevel));
}
