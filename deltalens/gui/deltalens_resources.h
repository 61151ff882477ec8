// Deltalens's resources: the main dialog, the about box, the system-menu
// text and the icon.
#pragma once

#include "window/resources.h"

namespace deltalens::gui {

const fw::ResourceTable& Resources();

}  // namespace deltalens::gui
