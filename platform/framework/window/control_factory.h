// Makes the widget of one template control and places it in pixels on its
// dialog.
#pragma once

#include <vector>

#include "window/dialog_template.h"

class QWidget;

namespace fw {

// The widget, a child of `dialog`, not placed yet; nullptr for a kind that
// has none here.
QWidget* CreateControlWidget(const ControlTemplate& control, QWidget* dialog);
// Places the widget where the template puts the control.
void PlaceControlWidget(QWidget* widget, const ControlTemplate& control, DialogBaseUnits base);

// The base units of a font: see dialog_template.h.
DialogBaseUnits BaseUnitsOf(const QWidget& widget);

// The base units of `dialog`'s font, made wider where a text of the
// template would be cut at its control's width in this font (a template
// laid out for a narrower font). The whole dialog widens alike, so every
// control keeps its place relative to the others; at most by half.
DialogBaseUnits FittingBaseUnits(const QWidget& dialog,
                                 const std::vector<ControlTemplate>& controls,
                                 const std::vector<QWidget*>& widgets);

}  // namespace fw
