#include "window/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <filesystem>

#include "core/message_box.h"
#include "window/qt_text.h"
#include "window/ui_test_hook_internal.h"
#include "window/win_app.h"
#include "window/wnd.h"

namespace fw {

std::vector<std::string> QtNameFilters(const std::string& filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < filter.size()) {
        const std::size_t bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    std::vector<std::string> filters;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;  // the "||" end
        std::string patterns = parts[i + 1];
        for (char& c : patterns)
            if (c == ';') c = ' ';
        filters.push_back(parts[i] + " (" + patterns + ")");
    }
    return filters;
}

}  // namespace fw

namespace {

constexpr const char* kMissingFolderText = "The folder of this file does not exist:\n";

bool HasWildcard(const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
}

bool FolderExists(const std::string& path) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() || std::filesystem::is_directory(folder, error);
}

}  // namespace

CFileDialog::CFileDialog(BOOL open_file_dialog, const char* default_ext, const char* file_name,
                         DWORD flags, const char* filter, CWnd* parent)
    : open_(open_file_dialog),
      default_ext_(default_ext != nullptr ? default_ext : ""),
      file_name_(file_name != nullptr ? file_name : ""),
      flags_(flags),
      filter_(filter != nullptr ? filter : ""),
      parent_(parent) {}

INT_PTR CFileDialog::DoModal() {
    CWnd* owner = parent_ != nullptr ? parent_ : AfxGetMainWnd();
    QFileDialog dialog(owner != nullptr ? owner->widget() : nullptr);
    dialog.setAcceptMode(open_ ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode((flags_ & OFN_FILEMUSTEXIST) != 0 ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
    QStringList filters;
    for (const std::string& name_filter : fw::QtNameFilters(filter_))
        filters << fw::ToQString(name_filter);
    if (HasWildcard(file_name_)) {
        // The initial name narrows the listing, ahead of the filter's own
        // (which mostly says the same already); a folder before it is where
        // the dialog opens.
        const std::filesystem::path initial(file_name_);
        if (initial.has_parent_path())
            dialog.setDirectory(fw::ToQString(initial.parent_path().string()));
        const QString pattern = fw::ToQString(initial.filename().string());
        bool known = false;
        for (const QString& name_filter : filters)
            known = known || name_filter.contains("(" + pattern + ")");
        if (!known) filters.prepend(pattern);
    } else if (!file_name_.empty()) {
        dialog.selectFile(fw::ToQString(file_name_));
    }
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (!default_ext_.empty()) dialog.setDefaultSuffix(fw::ToQString(default_ext_));

    for (;;) {
        std::string chosen;
        if (!fw::test_hook::AnswerFileDialog(dialog, &chosen)) {
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return IDCANCEL;
            chosen = fw::FromQString(dialog.selectedFiles().front());
        }
        if (chosen.empty()) return IDCANCEL;
        chosen = fw::FromQString(QFileInfo(fw::ToQString(chosen)).absoluteFilePath());
        if ((flags_ & OFN_PATHMUSTEXIST) != 0 && !FolderExists(chosen)) {
            AfxMessageBox(kMissingFolderText + chosen, MB_ICONEXCLAMATION);
            dialog.selectFile(fw::ToQString(chosen));
            continue;
        }
        path_ = chosen;
        return IDOK;
    }
}
