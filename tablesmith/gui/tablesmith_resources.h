// Tablesmith's resources: the main dialog, the about box, the system-menu
// text, the icon and the version.
#pragma once

#include "window/resources.h"

namespace tablesmith::gui {

const fw::ResourceTable& Resources();

}  // namespace tablesmith::gui
