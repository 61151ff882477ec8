// What the framework remembers on a control's widget: the style bits of its
// template, which some operations consult (a sorted list, a sort header).
#pragma once

#include <QVariant>
#include <QWidget>

#include "window/styles.h"

namespace fw {

inline constexpr const char* kStyleProperty = "fwStyle";

inline void SetStyle(QWidget* widget, unsigned style) {
    widget->setProperty(kStyleProperty, QVariant::fromValue(style));
}

inline bool HasStyle(const QWidget* widget, unsigned bits) {
    return (widget->property(kStyleProperty).toUInt() & bits) == bits;
}

}  // namespace fw
