// What an icon handle stands for on the framework's side.
#pragma once

#include <QIcon>

namespace fw {

struct IconHandle {
    QIcon icon;
};

// Takes an HICON (resources.h), which points to one of these.
inline QIcon ToQIcon(const IconHandle* handle) {
    return handle == nullptr ? QIcon() : handle->icon;
}

}  // namespace fw
