// The viewer's window: the table list on the left, the chosen table's rows
// on the right with a filter box above them, a find bar (Ctrl+F), a preview
// of the chosen binary cell, and the summary information on its own tab.
// Opened through viewer_window.h; tests reach its parts directly.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "find_in_tables.h"
#include "package_view.h"
#include "viewer_window.h"

class QAbstractItemModel;
class QAction;
class QCheckBox;
class QDockWidget;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QLineEdit;
class QTabWidget;
class QTableView;

namespace viewer {

class RowModel;
class TableListModel;
class TextTableModel;

class ViewerMainWindow : public QMainWindow {
  public:
    // The window over an opened package (not shown yet); null when it does
    // not open, the cause told to `sink`.
    static std::unique_ptr<ViewerMainWindow> Open(const ViewRequest& request,
                                                  diag::OutcomeSink& sink);
    ~ViewerMainWindow() override;

    PackageView& Package() { return *package_; }
    // Shows the table at this index of the list; false when it cannot be read.
    bool ShowTable(std::size_t table);
    // Shows the table of that name and selects the cell at (key, column);
    // false when there is no such table or row.
    bool GoToCell(const std::string& table, const std::vector<std::string>& key,
                  std::size_t column);
    // The table shown, or none.
    std::optional<std::size_t> CurrentTable() const { return current_table_; }

    // Find in all tables: fills the hit list and goes to the first hit;
    // returns the number of hits.
    std::size_t Find(const FindOptions& options);
    // Goes to the next hit (F3) or the previous one (Shift+F3), round the
    // list; false when there is none.
    bool GoToHit(bool backwards);
    const std::vector<FindHit>& Hits() const { return hits_; }

    // The selected cells as tab-separated text, whole texts, a header line
    // first when whole rows are selected; also put on the clipboard (Ctrl+C).
    std::string CopySelection();
    // Asks for a file and writes the shown table to it (the extension picks
    // the format); Save Data As... does the same with the chosen binary cell.
    void ExportTableAs();
    void SaveDataAs();

    QTableView* TableList() const { return table_list_; }
    QTabWidget* Tabs() const { return tabs_; }
    QAbstractItemModel* Summary() const;
    QPlainTextEdit* Preview() const { return preview_; }
    QPushButton* SaveDataButton() const { return save_data_; }
    QAction* FindNextAction() const { return find_next_; }
    // File > Extract Files..., there when the request gave the means.
    QAction* ExtractFilesAction() const { return extract_files_action_; }
    QTableView* Grid() const { return grid_; }
    RowModel* Rows() const { return row_model_; }
    QLineEdit* FilterBox() const { return filter_; }
    QLabel* Status() const { return status_; }
    // "Changed rows only", there when a transform is marked.
    QCheckBox* ChangedOnly() const { return changed_only_; }

  private:
    ViewerMainWindow(std::unique_ptr<PackageView> package, const ViewRequest& request);
    void BuildWidgets();
    void OnTableChosen();
    void OnCellChosen();
    void BuildFindBar();
    void BuildActions();
    void ShowHit(std::size_t hit);
    void ShowCellChange(const QModelIndex& cell);

    std::unique_ptr<PackageView> package_;
    std::optional<std::size_t> current_table_;
    TableListModel* table_model_ = nullptr;
    RowModel* row_model_ = nullptr;
    QTableView* table_list_ = nullptr;
    QTableView* grid_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLabel* status_ = nullptr;
    QCheckBox* changed_only_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QWidget* binary_pane_ = nullptr;
    QPlainTextEdit* preview_ = nullptr;
    QPushButton* save_data_ = nullptr;
    TextTableModel* summary_model_ = nullptr;
    QDockWidget* find_dock_ = nullptr;
    QLineEdit* find_text_ = nullptr;
    QCheckBox* whole_cell_ = nullptr;
    QCheckBox* match_case_ = nullptr;
    QTableView* hit_list_ = nullptr;
    TextTableModel* hit_model_ = nullptr;
    QAction* find_next_ = nullptr;
    std::function<void(const std::string&, diag::OutcomeSink&)> extract_files_;
    QAction* extract_files_action_ = nullptr;
    std::vector<FindHit> hits_;
    std::size_t current_hit_ = 0;
};

}  // namespace viewer
