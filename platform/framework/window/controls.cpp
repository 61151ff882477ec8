#include "window/controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QVariant>

#include "mbstring.h"
#include "window/control_properties.h"
#include "window/qt_text.h"

namespace {

QComboBox* AsCombo(QWidget* widget) {
    return qobject_cast<QComboBox*>(widget);
}

// Where a sorted list puts `text`: after every entry that sorts before it or
// equal to it.
int SortedPosition(const QComboBox& combo, const std::string& text) {
    int position = combo.count();
    while (position > 0) {
        const std::string before = fw::FromQString(combo.itemText(position - 1));
        int order = _mbsicmp(before.c_str(), text.c_str());
        if (order == 0) order = before.compare(text);
        if (order <= 0) break;
        --position;
    }
    return position;
}

}  // namespace

int CButton::GetCheck() const {
    auto* button = qobject_cast<QAbstractButton*>(widget_);
    if (button == nullptr || !button->isCheckable()) return 0;
    return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CButton::SetCheck(int check) {
    auto* button = qobject_cast<QAbstractButton*>(widget_);
    if (button != nullptr && button->isCheckable()) button->setChecked(check == BST_CHECKED);
}

int CComboBox::AddString(const std::string& text) {
    QComboBox* combo = AsCombo(widget_);
    if (combo == nullptr) return CB_ERR;
    const int index = fw::HasStyle(combo, CBS_SORT) ? SortedPosition(*combo, text) : combo->count();
    // Inserting into an empty list would select the entry; a list the
    // program fills shows no selection until the program sets one.
    const int selected = combo->currentIndex();
    combo->insertItem(index, fw::ToQString(text));
    combo->setCurrentIndex(selected < 0 ? -1 : (selected >= index ? selected + 1 : selected));
    return index;
}

void CComboBox::ResetContent() {
    if (QComboBox* combo = AsCombo(widget_)) combo->clear();
}

int CComboBox::GetCount() const {
    const QComboBox* combo = AsCombo(widget_);
    return combo == nullptr ? 0 : combo->count();
}

int CComboBox::GetCurSel() const {
    const QComboBox* combo = AsCombo(widget_);
    return combo == nullptr || combo->currentIndex() < 0 ? CB_ERR : combo->currentIndex();
}

int CComboBox::SetCurSel(int index) {
    QComboBox* combo = AsCombo(widget_);
    if (combo == nullptr) return CB_ERR;
    if (index < 0 || index >= combo->count()) {
        combo->setCurrentIndex(-1);
        return CB_ERR;
    }
    combo->setCurrentIndex(index);
    return index;
}

std::string CComboBox::GetLBText(int index) const {
    const QComboBox* combo = AsCombo(widget_);
    if (combo == nullptr || index < 0 || index >= combo->count()) return {};
    return fw::FromQString(combo->itemText(index));
}
