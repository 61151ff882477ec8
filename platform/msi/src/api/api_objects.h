// Look-ups shared by the interface's source files: handle -> engine object,
// and the persist argument of MsiOpenDatabaseA.
#pragma once

#include <memory>

#include "db/database.h"
#include "msiquery.h"

namespace msi::api {

// The database behind a database handle, or null.
std::shared_ptr<db::Database> GetDatabase(MSIHANDLE handle);
// Fills mode, patch flag and output path; false for an undefined mode.
bool ParsePersist(LPCSTR persist, db::OpenRequest& request);

}  // namespace msi::api
