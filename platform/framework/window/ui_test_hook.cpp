#include "window/ui_test_hook.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "core/message_box.h"
#include "window/qt_text.h"
#include "window/ui_test_hook_internal.h"
#include "window/window_message_box.h"

namespace fw {

namespace {

UiTestHook* current_hook = nullptr;

unsigned IconBitsOf(QMessageBox::Icon icon) {
    switch (icon) {
        case QMessageBox::Critical:
            return MB_ICONSTOP;
        case QMessageBox::Question:
            return MB_ICONQUESTION;
        case QMessageBox::Warning:
            return MB_ICONEXCLAMATION;
        case QMessageBox::Information:
            return MB_ICONINFORMATION;
        default:
            return 0;
    }
}

ShownWindow Describe(QWidget& window) {
    ShownWindow shown{FromQString(window.windowTitle()), {}};
    if (auto* menu = qobject_cast<QMenu*>(&window)) {
        for (QAction* action : menu->actions()) shown.texts.push_back(FromQString(action->text()));
        return shown;
    }
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (auto* label = qobject_cast<QLabel*>(child)) {
            if (!label->text().isEmpty()) shown.texts.push_back(FromQString(label->text()));
        } else if (auto* button = qobject_cast<QAbstractButton*>(child)) {
            shown.texts.push_back(FromQString(button->text()));
        } else if (auto* group = qobject_cast<QGroupBox*>(child)) {
            if (!group->title().isEmpty()) shown.texts.push_back(FromQString(group->title()));
        }
    }
    return shown;
}

void CloseModal(QWidget* window) {
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
        dialog->reject();
    } else {
        window->close();
    }
}

}  // namespace

// Reaches the hook's queues for the framework's side below.
struct HookAccess {
    static bool AnswerMessageBox(UiTestHook& hook, const QMessageBox& box, int* answer) {
        const QCursor* cursor = QApplication::overrideCursor();
        hook.message_boxes_.push_back({FromQString(box.windowTitle()), FromQString(box.text()),
                                       FromQString(box.detailedText()), IconBitsOf(box.icon()),
                                       cursor != nullptr && cursor->shape() == Qt::WaitCursor});
        *answer = IDOK;
        if (!hook.box_answers_.empty()) {
            *answer = hook.box_answers_.front();
            hook.box_answers_.pop_front();
        }
        return true;
    }

    static bool AnswerFileDialog(UiTestHook& hook, const QFileDialog& dialog, std::string* path) {
        ShownFileDialog shown{{},
                              dialog.fileMode() == QFileDialog::ExistingFile,
                              dialog.acceptMode() == QFileDialog::AcceptOpen,
                              FromQString(dialog.directory().absolutePath())};
        for (const QString& name_filter : dialog.nameFilters())
            shown.name_filters.push_back(FromQString(name_filter));
        hook.file_dialogs_.push_back(std::move(shown));
        path->clear();
        if (!hook.file_answers_.empty()) {
            *path = hook.file_answers_.front().value_or("");
            hook.file_answers_.pop_front();
        }
        return true;
    }

    static void ProgressEnded(UiTestHook& hook, const std::string& label, int permille) {
        hook.progress_.push_back({label, permille});
    }

    static void ModalShowing(UiTestHook& hook, QWidget* window) {
        QPointer<QWidget> guarded(window);
        std::function<void(const ShownWindow&)> action;
        if (!hook.modal_actions_.empty()) {
            action = std::move(hook.modal_actions_.front());
            hook.modal_actions_.pop_front();
        }
        // Runs once the window's own event loop has started.
        QTimer::singleShot(0, [&hook, guarded, action = std::move(action)] {
            if (guarded.isNull() || current_hook != &hook) return;
            const ShownWindow shown = Describe(*guarded);
            if (action) {
                action(shown);
            } else {
                hook.unexpected_.push_back(shown);
                CloseModal(guarded);
            }
        });
    }
};

UiTestHook::UiTestHook() : had_application_object_(HasApplicationObject()) {
    current_hook = this;
    previous_handler_ = SetMessageBoxHandler(ShowWindowMessageBox);
    SetApplicationObjectPresent(true);
}

UiTestHook::~UiTestHook() {
    SetMessageBoxHandler(previous_handler_);
    SetApplicationObjectPresent(had_application_object_);
    current_hook = nullptr;
}

void UiTestHook::ChooseFile(const std::string& path) {
    file_answers_.push_back(path);
}

void UiTestHook::CancelFileDialog() {
    file_answers_.push_back(std::nullopt);
}

void UiTestHook::AnswerMessageBox(int answer) {
    box_answers_.push_back(answer);
}

void UiTestHook::WhenModalShows(std::function<void(const ShownWindow&)> action) {
    modal_actions_.push_back(std::move(action));
}

std::size_t UiTestHook::PendingAnswers() const {
    return file_answers_.size() + box_answers_.size() + modal_actions_.size();
}

void UiTestHook::ClearRecords() {
    message_boxes_.clear();
    file_dialogs_.clear();
    unexpected_.clear();
}

namespace test_hook {

bool AnswerMessageBox(const QMessageBox& box, int* answer) {
    return current_hook != nullptr && HookAccess::AnswerMessageBox(*current_hook, box, answer);
}

bool AnswerFileDialog(const QFileDialog& dialog, std::string* path) {
    return current_hook != nullptr && HookAccess::AnswerFileDialog(*current_hook, dialog, path);
}

void NotifyModalShowing(QWidget* window) {
    if (current_hook != nullptr) HookAccess::ModalShowing(*current_hook, window);
}

void NotifyProgressEnded(const std::string& label, int permille) {
    if (current_hook != nullptr) HookAccess::ProgressEnded(*current_hook, label, permille);
}

}  // namespace test_hook

}  // namespace fw
