// Deltalens's resources: the main dialog, the about box, the system-menu
// text and the icon.
#pragma once

#include "window/resources.h"

namespace deltalens::gui {

// The version line of the about box.
inline constexpr const char* kAboutVersionText = "Deltalens, Version 1.02";

const fw::ResourceTable& Resources();

}  // namespace deltalens::gui
