// What an icon handle stands for on the framework's side.
#pragma once

#include <QIcon>

#include "window/resources.h"

namespace fw {

struct IconHandle {
    QIcon icon;
};

inline QIcon ToQIcon(HICON handle) {
    return handle == nullptr ? QIcon() : handle->icon;
}

}  // namespace fw
