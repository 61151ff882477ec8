// The viewer's File > Extract Files... in Tablesmith: the Extract command
// run on the viewed package into a folder the user picks, the export
// folder's "files" folder offered first, with the dialog's progress window
// for a long cabinet copy. The viewer cannot call the command itself (it
// sits below the tool), so the program hands it this.
#pragma once

#include <functional>
#include <string>

#include "outcome.h"

namespace tablesmith::gui {

// Asks for the folder, opening at `suggested`; "" when the user cancels.
using FolderChooser = std::function<std::string(const std::string& suggested)>;

// The folder dialog.
std::string AskForFolder(const std::string& suggested);

// What viewer::ViewRequest::extract_files takes. Tests pass their own
// chooser instead of the dialog.
std::function<void(const std::string& package, diag::OutcomeSink& sink)> ExtractFilesAction(
    FolderChooser choose = AskForFolder);

}  // namespace tablesmith::gui
