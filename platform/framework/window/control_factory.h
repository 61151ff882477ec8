// Makes the widget of one template control, placed in pixels on its dialog.
#pragma once

#include "window/dialog_template.h"

class QWidget;

namespace fw {

// The widget, a child of `dialog`; nullptr for a kind that has none here.
QWidget* CreateControlWidget(const ControlTemplate& control, QWidget* dialog, DialogBaseUnits base);

// The base units of a font: see dialog_template.h.
DialogBaseUnits BaseUnitsOf(const QWidget& widget);

}  // namespace fw
