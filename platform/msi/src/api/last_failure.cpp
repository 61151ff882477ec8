#include "api/last_failure.h"

#include <string>

#include "msi_engine.h"

namespace msi {

namespace {

thread_local std::string last_failure;

}  // namespace

namespace api {

void ClearLastFailure() {
    last_failure.clear();
}

void NoteLastFailure(const Status& status) {
    last_failure = status.message();
}

}  // namespace api

std::string LastFailureText() {
    return last_failure;
}

}  // namespace msi
