// The viewer's window: the table list on the left, the chosen table's rows
// on the right with a filter box above them, a find bar (Ctrl+F), a preview
// of the chosen binary cell, and the summary information on its own tab.
// Opened through viewer_window.h; tests reach its parts directly.
#pragma once

#include <QMainWindow>
#include <memory>

#include "package_view.h"
#include "viewer_window.h"

class QLabel;
class QLineEdit;
class QTabWidget;
class QTableView;

namespace viewer {

class FindPanel;
class RowModel;
class TableListModel;

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

    QTableView* TableList() const { return table_list_; }
    QTableView* Grid() const { return grid_; }
    RowModel* Rows() const { return row_model_; }
    QLineEdit* FilterBox() const { return filter_; }
    QLabel* Status() const { return status_; }

  private:
    ViewerMainWindow(std::unique_ptr<PackageView> package, const ViewRequest& request);
    void BuildWidgets();
    void OnTableChosen();

    std::unique_ptr<PackageView> package_;
    std::optional<std::size_t> current_table_;
    TableListModel* table_model_ = nullptr;
    RowModel* row_model_ = nullptr;
    QTableView* table_list_ = nullptr;
    QTableView* grid_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLabel* status_ = nullptr;
    QTabWidget* tabs_ = nullptr;
};

}  // namespace viewer
