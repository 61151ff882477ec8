// The one hook for tests of dialogs: while a UiTestHook lives, modal message
// boxes and file dialogs do not wait for a person. Each is built as for the
// screen, recorded as it would have been shown, and answered from a queue.
// Progress windows show for real and are recorded when they end.
// Other modal windows (dialogs, the system menu) are shown for real; the
// test acts on each through an action queued with WhenModalShows, which
// runs once the window is up and must end it (a key, a click). A modal
// window that shows with no action queued is recorded and closed at once,
// so a test never hangs on one.
//
// While it lives the program also counts as having an application object,
// as the real program does.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/message_box.h"

namespace fw {

struct ShownMessageBox {
    std::string caption;
    std::string text;
    std::string detail;
    unsigned icon;     // the icon the box showed, as MB_ICON... bits; 0 for none
    bool wait_cursor;  // asked for while the busy cursor showed (CWaitCursor)
};

struct ShownFileDialog {
    std::vector<std::string> name_filters;  // as shown: "MSI Packages (*.msi)"
    bool file_must_exist;
    bool for_opening;
    std::string folder;  // where it opened
};

struct ShownProgress {
    std::string label;
    int last_permille;  // how far it got, in thousandths, when it ended
};

struct ShownWindow {
    std::string title;
    // The texts it shows: labels, buttons and check boxes, menu items, in
    // the order of its children.
    std::vector<std::string> texts;
};

class UiTestHook {
  public:
    UiTestHook();
    ~UiTestHook();
    UiTestHook(const UiTestHook&) = delete;
    UiTestHook& operator=(const UiTestHook&) = delete;

    // The next file dialog is confirmed with `path`.
    void ChooseFile(const std::string& path);
    // The next file dialog is cancelled (also what an unanswered one gets).
    void CancelFileDialog();
    // The next message box is answered with `answer` (unanswered ones: IDOK).
    void AnswerMessageBox(int answer);
    // Runs `action` once the next modal window is up.
    void WhenModalShows(std::function<void(const ShownWindow&)> action);

    const std::vector<ShownMessageBox>& MessageBoxes() const { return message_boxes_; }
    const std::vector<ShownFileDialog>& FileDialogs() const { return file_dialogs_; }
    // Modal windows that showed with no action queued (closed at once).
    const std::vector<ShownWindow>& UnexpectedWindows() const { return unexpected_; }
    // Progress windows, once ended.
    const std::vector<ShownProgress>& ProgressWindows() const { return progress_; }
    // Answers and actions queued and not used yet.
    std::size_t PendingAnswers() const;
    void ClearRecords();

  private:
    friend struct HookAccess;
    std::deque<std::optional<std::string>> file_answers_;
    std::deque<int> box_answers_;
    std::deque<std::function<void(const ShownWindow&)>> modal_actions_;
    std::vector<ShownMessageBox> message_boxes_;
    std::vector<ShownFileDialog> file_dialogs_;
    std::vector<ShownWindow> unexpected_;
    std::vector<ShownProgress> progress_;
    bool had_application_object_;
    MessageBoxHandler previous_handler_;
};

}  // namespace fw
