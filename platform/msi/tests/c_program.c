/* A plain C program's use of the engine: this file is compiled as C, so the
 * public headers must stay valid C and the calls must link without C++ name
 * mangling. It reads a package's Property table into "name=value\n" lines. */
#include <msi.h>
#include <msiquery.h>
#include <stdio.h>
#include <string.h>

#include "c_program.h"

UINT CProgramListProperties(const char* package, char* out, size_t out_size) {
    MSIHANDLE db = 0, view = 0, record = 0;
    size_t used = 0;
    UINT rc = MsiOpenDatabaseA(package, MSIDBOPEN_READONLY, &db);
    if (rc != ERROR_SUCCESS) return rc;
    rc = MsiDatabaseOpenViewA(db, "SELECT `Property`, `Value` FROM `Property`", &view);
    if (rc == ERROR_SUCCESS) rc = MsiViewExecute(view, 0);
    out[0] = '\0';
    while (rc == ERROR_SUCCESS && (rc = MsiViewFetch(view, &record)) == ERROR_SUCCESS) {
        char name[256], value[4096];
        DWORD name_size = sizeof name, value_size = sizeof value;
        MsiRecordGetStringA(record, 1, name, &name_size);
        MsiRecordGetStringA(record, 2, value, &value_size);
        MsiCloseHandle(record);
        int n = snprintf(out + used, out_size - used, "%s=%s\n", name, value);
        if (n < 0 || (size_t)n >= out_size - used) {
            rc = ERROR_MORE_DATA;
            break;
        }
        used += (size_t)n;
    }
    if (rc == ERROR_NO_MORE_ITEMS) rc = ERROR_SUCCESS;
    MsiCloseHandle(view);
    MsiCloseHandle(db);
    return rc;
}
