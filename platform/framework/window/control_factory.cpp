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
#include "window/resources.h"

namespace fw {

namespace {

// A check box that takes a click anywhere in its rectangle, as the
// platform's do, not only on its box and text.
class DialogCheckBox : public QCheckBox {
  public:
    using QCheckBox::QCheckBox;

  protected:
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};

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
            return new DialogCheckBox(text, dialog);
        case ControlKind::kComboBox: {
            auto* combo = new QComboBox(dialog);
            // The open list is as long as the template says (some styles
            // would open it over the whole screen instead).
            combo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
            return combo;
        }
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

QWidget* CreateControlWidget(const ControlTemplate& control, QWidget* dialog) {
    QWidget* widget = MakeWidget(control, dialog);
    if (widget == nullptr) return nullptr;
    SetStyle(widget, control.style);
    widget->setProperty("fwId", control.id);
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

void PlaceControlWidget(QWidget* widget, const ControlTemplate& control, DialogBaseUnits base) {
    const PixelRect rect = ToPixels(control, base);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        PlaceComboBox(combo, rect);
    } else {
        widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    }
}

DialogBaseUnits BaseUnitsOf(const QWidget& widget) {
    const QFontMetrics metrics(widget.font());
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {AverageCharWidth(letters), metrics.height()};
}

}  // namespace fw

namespace fw {

namespace {

// The width a control's text needs in its widget, or 0 when it can shrink.
int NeededWidth(const ControlTemplate& control, QWidget& widget) {
    switch (control.kind) {
        case ControlKind::kStatic:
        case ControlKind::kAutoCheckBox:
            return widget.sizeHint().width();
        case ControlKind::kPushButton:
        case ControlKind::kDefPushButton: {
            // Not the button's size hint, which has a minimum width of its
            // own: the text and a margin either side.
            QString text = ToQString(control.text);
            text.remove('&');
            return widget.fontMetrics().horizontalAdvance(text) +
                   2 * widget.fontMetrics().averageCharWidth();
        }
        default:
            return 0;
    }
}

}  // namespace

DialogBaseUnits FittingBaseUnits(const QWidget& dialog,
                                 const std::vector<ControlTemplate>& controls,
                                 const std::vector<QWidget*>& widgets) {
    const DialogBaseUnits font = BaseUnitsOf(dialog);
    DialogBaseUnits fitting = font;
    for (std::size_t i = 0; i < controls.size() && i < widgets.size(); ++i) {
        if (widgets[i] == nullptr || controls[i].cx <= 0) continue;
        const int needed = NeededWidth(controls[i], *widgets[i]);
        while (fitting.x < font.x + font.x / 2 &&
               HorizontalPixels(controls[i].cx, fitting) < needed)
            ++fitting.x;
    }
    return fitting;
}

}  // namespace fw
