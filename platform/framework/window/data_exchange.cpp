#include "window/data_exchange.h"

#include "window/controls.h"

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
    CWnd* control = dx->m_pDlgWnd->GetDlgItem(id);
    if (control == nullptr) return;
    if (dx->m_bSaveAndValidate) {
        value = control->GetWindowText();
    } else {
        control->SetWindowText(value);
    }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    if (dx->m_bSaveAndValidate) {
        value = dx->m_pDlgWnd->IsDlgButtonChecked(id) == BST_CHECKED ? 1 : 0;
    } else {
        dx->m_pDlgWnd->CheckDlgButton(id, value != 0 ? BST_CHECKED : BST_UNCHECKED);
    }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.GetSafeHwnd() != nullptr) return;
    CWnd* item = dx->m_pDlgWnd->GetDlgItem(id);
    if (item == nullptr) return;
    control.AttachWidget(item->widget(), id);
    // The dialog lets go of it when its window goes.
    dx->m_pDlgWnd->NoteAttachedControl(&control);
}
