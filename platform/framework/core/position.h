// POSITION: an opaque place in a framework list, handed out by GetHeadPosition,
// GetNext, Find ... and valid until the element it names is removed. Inserting
// or removing other elements leaves it valid. nullptr means "no position".
#pragma once

namespace fw {
// The lists' nodes derive from this empty type, so a POSITION converts back to
// a node with a static_cast instead of a reinterpret_cast.
struct PositionBase {};
}  // namespace fw

using POSITION = fw::PositionBase*;

// Index and size type of the framework containers.
using INT_PTR = long;
