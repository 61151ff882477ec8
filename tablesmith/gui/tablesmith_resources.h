// Tablesmith's resources: the main dialog, the about box, the system-menu
// text, the icon and the version.
#pragma once

#include "window/resources.h"

namespace tablesmith::gui {

// The version line of the about box.
inline constexpr const char* kAboutVersionText = "Tablesmith, Version 1.05";

const fw::ResourceTable& Resources();

}  // namespace tablesmith::gui
