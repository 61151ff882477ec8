#include "window/progress_window.h"

#include <QApplication>
#include <QProgressDialog>

#include "core/message_box.h"
#include "window/qt_text.h"
#include "window/ui_test_hook_internal.h"
#include "window/win_app.h"
#include "window/wnd.h"

namespace fw {

namespace {

// Qt's range is an int: the window counts thousandths, not bytes.
constexpr int kSteps = 1000;

}  // namespace

ProgressWindow::ProgressWindow() = default;

ProgressWindow::~ProgressWindow() {
    End();
}

void ProgressWindow::Begin(const std::string& label, std::uint64_t total) {
    CWnd* main = AfxGetMainWnd();
    dialog_ = std::make_unique<QProgressDialog>(main != nullptr ? main->widget() : nullptr);
    dialog_->setWindowTitle(ToQString(AfxGetAppName()));
    dialog_->setLabelText(ToQString(label));
    // The work cannot be stopped half-way: no cancel button.
    dialog_->setCancelButton(nullptr);
    dialog_->setRange(0, kSteps);
    dialog_->setMinimumDuration(0);
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    total_ = total;
    dialog_->setValue(0);
    dialog_->show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressWindow::Advance(std::uint64_t done) {
    if (dialog_ == nullptr) return;
    const int value =
        total_ == 0 ? kSteps
                    : static_cast<int>(std::min<std::uint64_t>(done, total_) * kSteps / total_);
    if (value == dialog_->value()) return;
    dialog_->setValue(value);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressWindow::End() {
    if (dialog_ != nullptr)
        test_hook::NotifyProgressEnded(FromQString(dialog_->labelText()), dialog_->value());
    dialog_.reset();
}

bool ProgressWindow::IsShowing() const {
    return dialog_ != nullptr && dialog_->isVisible();
}

int ProgressWindow::Permille() const {
    return dialog_ == nullptr ? 0 : dialog_->value();
}

}  // namespace fw
