#include "window/dialog.h"

#include <QAbstractButton>
#include <QTimer>

#include "core/message_box.h"
#include "window/controls.h"
#include "window/dialog_window.h"
#include "window/icon_handle.h"
#include "window/styles.h"
#include "window/ui_test_hook_internal.h"
#include "window/win_app.h"

CDialog::CDialog(UINT template_id, CWnd* parent) : template_id_(template_id), parent_(parent) {}

CDialog::~CDialog() {
    DestroyWindow();
}

bool CDialog::BuildWindow() {
    if (window_ != nullptr) return true;
    const fw::DialogTemplate* dialog_template =
        fw::FindDialogTemplate(static_cast<int>(template_id_));
    if (dialog_template == nullptr) return false;
    // A dialog without a parent belongs to the main window, if there is one
    // other than itself.
    CWnd* owner = parent_ != nullptr ? parent_ : AfxGetMainWnd();
    QWidget* parent = owner != nullptr && owner != this ? owner->widget() : nullptr;
    fw::DialogEvents events{
        [this](WPARAM wparam, LPARAM lparam) { OnCommand(wparam, lparam); },
        [this](UINT id) { OnSysCommand(id, 0); },
        [this](NMHDR& header, LRESULT* result) { OnNotify(header.idFrom, &header, result); },
        [this]() -> const CMenu* { return &system_menu_; },
        [this] { OnPaint(); },
        [this](UINT type, int cx, int cy) { OnSize(type, cx, cy); },
        [this](HDROP drop) { OnDropFiles(drop); },
    };
    window_ = std::make_unique<fw::DialogWindow>(std::move(events), *dialog_template, parent);
    AttachWidget(window_.get(), static_cast<int>(template_id_));

    // The platform's system menu holds these before the program adds its own.
    system_menu_ = CMenu();
    if ((dialog_template->style & WS_MAXIMIZEBOX) != 0)
        system_menu_.AppendMenu(MF_STRING, SC_RESTORE, "&Restore");
    if ((dialog_template->style & WS_MINIMIZEBOX) != 0)
        system_menu_.AppendMenu(MF_STRING, SC_MINIMIZE, "&Minimize");
    if ((dialog_template->style & WS_MAXIMIZEBOX) != 0)
        system_menu_.AppendMenu(MF_STRING, SC_MAXIMIZE, "Ma&ximize");
    system_menu_.AppendMenu(MF_STRING, SC_CLOSE, "&Close\tAlt+F4");

    for (const auto& [id, widget] : window_->Controls()) {
        auto item = std::make_unique<CWnd>();
        item->AttachWidget(widget, id);
        items_.push_back(std::move(item));
    }
    result_ = 0;
    return true;
}

void CDialog::DestroyWindow() {
    for (CWnd* control : attached_) {
        control->DetachWidget();
        control->attached_to_ = nullptr;
        control->forget_ = nullptr;
    }
    attached_.clear();
    items_.clear();
    DetachWidget();
    window_.reset();
}

INT_PTR CDialog::DoModal() {
    if (!BuildWindow()) return -1;
    if (OnInitDialog()) SetInitialFocus();
    fw::test_hook::NotifyModalShowing(window_.get());
    // EndDialog may have come from OnInitDialog already.
    if (result_ == 0) window_->exec();
    const int result = result_;
    DestroyWindow();
    return result;
}

BOOL CDialog::Create() {
    if (!BuildWindow()) return FALSE;
    const BOOL focus = OnInitDialog();
    window_->show();
    if (focus) SetInitialFocus();
    return TRUE;
}

// The first enabled control on the tab order, as the dialog manager picks it
// when OnInitDialog leaves the focus to it.
void CDialog::SetInitialFocus() {
    if (window_ == nullptr) return;
    window_->setFocus(Qt::OtherFocusReason);
    QWidget* first = window_->nextInFocusChain();
    while (first != nullptr && first != window_.get()) {
        if (first->focusPolicy() == Qt::StrongFocus && first->isEnabled() &&
            first->isVisibleTo(window_.get())) {
            first->setFocus(Qt::TabFocusReason);
            return;
        }
        first = first->nextInFocusChain();
    }
}

void CDialog::EndDialog(int result) {
    result_ = result;
    if (window_ == nullptr) return;
    if (window_->isVisible()) {
        window_->done(result);
    }
}

BOOL CDialog::UpdateData(BOOL save) {
    if (window_ == nullptr) return FALSE;
    CDataExchange dx(this, save);
    DoDataExchange(&dx);
    return TRUE;
}

CWnd* CDialog::GetDlgItem(int id) const {
    for (const auto& item : items_)
        if (item->GetDlgCtrlID() == id) return item.get();
    return nullptr;
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
    if (CWnd* item = GetDlgItem(id)) item->SetWindowText(text);
}

std::string CDialog::GetDlgItemText(int id) const {
    const CWnd* item = GetDlgItem(id);
    return item == nullptr ? std::string() : item->GetWindowText();
}

void CDialog::CheckDlgButton(int id, UINT check) {
    auto* button = qobject_cast<QAbstractButton*>(window_ ? window_->Control(id) : nullptr);
    if (button != nullptr && button->isCheckable()) button->setChecked(check == BST_CHECKED);
}

UINT CDialog::IsDlgButtonChecked(int id) const {
    auto* button = qobject_cast<QAbstractButton*>(window_ ? window_->Control(id) : nullptr);
    return button != nullptr && button->isCheckable() && button->isChecked() ? BST_CHECKED
                                                                             : BST_UNCHECKED;
}

void CDialog::PostCommand(int id) {
    if (window_ == nullptr) return;
    // Tied to the window: a command posted to a window that is gone is lost.
    QTimer::singleShot(0, window_.get(), [this, id] { OnCommand(MAKEWPARAM(id, BN_CLICKED), 0); });
}

void CDialog::GotoDlgCtrl(CWnd* control) {
    if (control != nullptr) control->SetFocus();
}

CMenu* CDialog::GetSystemMenu(BOOL /*revert*/) {
    return window_ != nullptr ? &system_menu_ : nullptr;
}

HICON CDialog::SetIcon(HICON icon, BOOL big_icon) {
    HICON& slot = big_icon ? big_icon_ : small_icon_;
    const HICON previous = slot;
    slot = icon;
    // One window icon holds every size; the big one wins when both are set.
    if (window_ != nullptr)
        window_->setWindowIcon(fw::ToQIcon(big_icon_ ? big_icon_ : small_icon_));
    return previous;
}

void CDialog::NoteAttachedControl(CWnd* control) {
    if (control->attached_to_ == this) return;
    attached_.push_back(control);
    control->attached_to_ = this;
    control->forget_ = [this, control] { ForgetAttachedControl(control); };
}

void CDialog::ForgetAttachedControl(CWnd* control) {
    std::erase(attached_, control);
}

BOOL CDialog::OnCommand(WPARAM wparam, LPARAM /*lparam*/) {
    // A control's change is news for the dialog's own handlers, not a command.
    if (HIWORD(wparam) != BN_CLICKED) return FALSE;
    const int id = LOWORD(wparam);
    switch (id) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default: {
            // The application object gets what the dialog leaves (help).
            CWinApp* app = AfxGetApp();
            return app != nullptr && app->OnCommand(id);
        }
    }
}

BOOL CDialog::OnNotify(WPARAM /*id*/, const NMHDR* /*header*/, LRESULT* /*result*/) {
    return FALSE;
}

// The default handling of the system commands this stand-in offers.
void CDialog::OnSysCommand(UINT id, LPARAM /*param*/) {
    if (window_ == nullptr) return;
    switch (id & 0xFFF0u) {
        case SC_CLOSE:
            window_->close();
            break;
        case SC_MINIMIZE:
            window_->showMinimized();
            break;
        case SC_MAXIMIZE:
            window_->showMaximized();
            break;
        case SC_RESTORE:
            window_->showNormal();
            break;
        default:
            break;
    }
}

void CDialog::OnSize(UINT /*type*/, int /*cx*/, int /*cy*/) {}

void CDialog::OnDropFiles(HDROP /*drop*/) {}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange* /*dx*/) {}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnPaint() {
    Default();
}

void CDialog::Default() {
    if (window_ != nullptr) window_->DefaultPaint();
}

namespace fw {

void AppendAboutItem(CDialog& dialog, int string_id, UINT command) {
    const std::string text = LoadResourceString(string_id);
    CMenu* system_menu = dialog.GetSystemMenu(FALSE);
    if (system_menu == nullptr || text.empty()) return;
    system_menu->AppendMenu(MF_SEPARATOR);
    system_menu->AppendMenu(MF_STRING, command, text);
}

}  // namespace fw
