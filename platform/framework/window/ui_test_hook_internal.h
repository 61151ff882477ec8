// The framework's side of the test hook (ui_test_hook.h): where boxes, file
// dialogs and modal windows ask it before they wait for a person.
#pragma once

#include <string>

class QFileDialog;
class QMessageBox;
class QWidget;

namespace fw::test_hook {

// True when the hook answered the box (the answer is in *answer).
bool AnswerMessageBox(const QMessageBox& box, int* answer);
// True when the hook answered the dialog: *path is the chosen path, or ""
// for Cancel.
bool AnswerFileDialog(const QFileDialog& dialog, std::string* path);
// `window` is about to wait modally; the hook's next action runs once it is up.
void NotifyModalShowing(QWidget* window);
// A progress window with `label` ended at `permille`.
void NotifyProgressEnded(const std::string& label, int permille);

}  // namespace fw::test_hook
