#include "extract_files_action.h"

#include <QApplication>
#include <QFileDialog>

#include "dialog_copy_progress.h"
#include "extract_command.h"
#include "window/wait_cursor.h"

namespace tablesmith::gui {

std::string AskForFolder(const std::string& suggested) {
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(),
                                             QStringLiteral("Extract Files To"),
                                             QString::fromStdString(suggested))
        .toStdString();
}

std::function<void(const std::string&, diag::OutcomeSink&)> ExtractFilesAction(
    FolderChooser choose) {
    return [choose = std::move(choose)](const std::string& package, diag::OutcomeSink& sink) {
        const std::string folder = choose(DefaultExtractFolder(package));
        if (folder.empty()) return;
        CWaitCursor wait;
        DialogCopyProgress progress;
        RunExtract({package, folder}, sink, &progress);
    };
}

}  // namespace tablesmith::gui
