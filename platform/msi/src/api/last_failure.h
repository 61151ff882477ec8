// The engine's own words for why the last call of this thread that opens,
// commits, imports, exports, applies or generates a transform, makes a
// transform's summary, reads a summary by path, or opens, runs or fetches from a view failed
// (msi_engine.h hands them out): the result codes of the interface say only that it failed. Each of
// those calls clears the text when it starts, so a text never describes an earlier call.
#pragma once

#include "common/status.h"

namespace msi::api {

void ClearLastFailure();
void NoteLastFailure(const Status& status);

}  // namespace msi::api
