#include "window/control_factory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "window/control_properties.h"
#include "window/icon_handle.h"
#include "window/list_view.h"
#include "window/qt_text.h"

namespace fw {

namespace {

QWidget* MakeWidget(const ControlTemplate& control, QWidget* dialog) {
    const QString text = ToQString(control.text);
    switch (control.kind) {
        case ControlKind::kStatic: {
            auto* label = new QLabel(text, dialog);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return label;
        }
        case ControlKind::kIcon: {
            auto* label = new QLabel(dialog);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // Shown at the platform's icon size; the template's size is only a box.
            label->setPixmap(ToQIcon(LoadIconResource(control.icon_id)).pixmap(32, 32));
            return label;
        }
        case ControlKind::kGroupBox: {
            auto* group = new QGroupBox(text, dialog);
            // A frame is drawn behind the controls it frames and lets their
            // clicks through, whatever the template order.
            group->setAttribute(Qt::WA_TransparentForMouseEvents);
            return group;
        }
        case ControlKind::kEdit: {
            auto* edit = new QLineEdit(text, dialog);
            edit->setFrame((control.style & WS_BORDER) != 0);
            return edit;
        }
        case ControlKind::kPushButton:
        case ControlKind::kDefPushButton:
            return new QPushButton(text, dialog);
        case ControlKind::kAutoCheckBox:
            return new QCheckBox(text, dialog);
        case ControlKind::kComboBox:
            return new QComboBox(dialog);
        case ControlKind::kListView:
            return CreateListViewWidget(dialog, control.style);
    }
    return nullptr;
}

bool TakesFocus(ControlKind kind) {
    return kind != ControlKind::kStatic && kind != ControlKind::kIcon &&
           kind != ControlKind::kGroupBox;
}

// A drop-down list's template height includes its list; the closed control
// is as high as the platform draws it, and the list shows what fits below.
void PlaceComboBox(QComboBox* combo, const PixelRect& rect) {
    const int closed_height = combo->sizeHint().height();
    combo->setGeometry(rect.x, rect.y, rect.width, closed_height);
    const int row = std::max(1, combo->fontMetrics().height());
    combo->setMaxVisibleItems(std::max(1, (rect.height - closed_height) / row));
}

}  // namespace

QWidget* CreateControlWidget(const ControlTemplate& control, QWidget* dialog,
                             DialogBaseUnits base) {
    QWidget* widget = MakeWidget(control, dialog);
    if (widget == nullptr) return nullptr;
    SetStyle(widget, control.style);
    widget->setProperty("fwId", control.id);
    const PixelRect rect = ToPixels(control, base);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        PlaceComboBox(combo, rect);
    } else {
        widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    }
    if (!TakesFocus(control.kind)) {
        widget->setFocusPolicy(Qt::NoFocus);
    } else if ((control.style & WS_TABSTOP) == 0) {
        widget->setFocusPolicy(Qt::ClickFocus);
    } else {
        widget->setFocusPolicy(Qt::StrongFocus);
    }
    if ((control.style & WS_DISABLED) != 0) widget->setEnabled(false);
    return widget;
}

DialogBaseUnits BaseUnitsOf(const QWidget& widget) {
    const QFontMetrics metrics(widget.font());
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {AverageCharWidth(letters), metrics.height()};
}

}  // namespace fw
