#include "viewer_main_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <filesystem>

#include "row_model.h"
#include "table_list_model.h"

namespace viewer {

namespace {

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

}  // namespace

std::unique_ptr<ViewerMainWindow> ViewerMainWindow::Open(const ViewRequest& request,
                                                         diag::OutcomeSink& sink) {
    std::unique_ptr<PackageView> package =
        PackageView::Open(request.package, request.transforms, request.make_marks, sink);
    if (!package) return nullptr;
    return std::unique_ptr<ViewerMainWindow>(new ViewerMainWindow(std::move(package), request));
}

ViewerMainWindow::ViewerMainWindow(std::unique_ptr<PackageView> package, const ViewRequest& request)
    : package_(std::move(package)) {
    std::string title = FileName(package_->Path());
    if (const RowMarks* marks = package_->Marks()) title += " + " + marks->Title();
    setWindowTitle(QString::fromStdString(title));
    BuildWidgets();
    std::size_t start = 0;
    if (auto named = package_->FindTable(request.table)) start = *named;
    if (!request.row_key.empty()) {
        if (!GoToCell(package_->Tables()[start].name, request.row_key, 0)) ShowTable(start);
    } else if (!package_->Tables().empty()) {
        ShowTable(start);
    }
}

// The widgets and models read the package's rows: they go before it does.
ViewerMainWindow::~ViewerMainWindow() {
    delete takeCentralWidget();
    delete row_model_;
    delete table_model_;
}

void ViewerMainWindow::BuildWidgets() {
    table_model_ = new TableListModel(*package_, this);
    row_model_ = new RowModel(this);

    table_list_ = new QTableView;
    table_list_->setModel(table_model_);
    table_list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_list_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_list_->verticalHeader()->hide();
    table_list_->horizontalHeader()->setStretchLastSection(true);
    table_list_->setWordWrap(false);
    table_list_->resizeColumnsToContents();
    table_list_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    grid_ = new QTableView;
    grid_->setModel(row_model_);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setSortIndicatorShown(true);
    grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grid_->setSortingEnabled(true);

    filter_ = new QLineEdit;
    filter_->setPlaceholderText(QStringLiteral("Filter rows"));
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, this,
            [this](const QString& text) { row_model_->SetFilter(text.toStdString()); });

    auto* rows_page = new QWidget;
    auto* rows_layout = new QVBoxLayout(rows_page);
    rows_layout->setContentsMargins(0, 0, 0, 0);
    rows_layout->addWidget(filter_);
    rows_layout->addWidget(grid_, 1);

    tabs_ = new QTabWidget;
    tabs_->addTab(rows_page, QStringLiteral("Rows"));

    auto* splitter = new QSplitter;
    splitter->addWidget(table_list_);
    splitter->addWidget(tabs_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({240, 760});
    setCentralWidget(splitter);

    status_ = new QLabel;
    statusBar()->addWidget(status_, 1);
    if (const RowMarks* marks = package_->Marks())
        statusBar()->addPermanentWidget(new QLabel(QString::fromStdString(marks->StatusText())));

    connect(table_list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { OnTableChosen(); });
    resize(1000, 640);
}

void ViewerMainWindow::OnTableChosen() {
    QModelIndex current = table_list_->currentIndex();
    if (!current.isValid()) return;
    ShowTable(static_cast<std::size_t>(current.row()));
}

bool ViewerMainWindow::ShowTable(std::size_t table) {
    if (table >= package_->Tables().size()) return false;
    if (table_list_->currentIndex().row() != static_cast<int>(table)) {
        // Choosing the row calls back here through OnTableChosen.
        table_list_->setCurrentIndex(table_model_->index(static_cast<int>(table), 0));
        return current_table_ == table && row_model_->Rows() != nullptr;
    }
    if (current_table_ == table && row_model_->Rows()) return true;
    current_table_ = table;
    const TableRows* rows = package_->Rows(table);
    filter_->blockSignals(true);
    filter_->clear();
    filter_->blockSignals(false);
    grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    row_model_->SetTable(rows, package_->Marks());
    const TableEntry& entry = package_->Tables()[table];
    if (!rows) {
        table_model_->TableChanged(static_cast<int>(table));
        status_->setText(QString::fromStdString(entry.name + " " + entry.failure));
        return false;
    }
    // Widths from the header and the first screen of rows only, so a large
    // table costs no more to show than a small one.
    grid_->horizontalHeader()->setResizeContentsPrecision(40);
    grid_->resizeColumnsToContents();
    for (int c = 0; c < row_model_->columnCount(); ++c)
        if (grid_->columnWidth(c) > 400) grid_->setColumnWidth(c, 400);
    status_->setText(
        QString::fromStdString(entry.name + ": " + std::to_string(rows->RowCount()) + " rows"));
    return true;
}

bool ViewerMainWindow::GoToCell(const std::string& table, const std::vector<std::string>& key,
                                std::size_t column) {
    std::optional<std::size_t> index = package_->FindTable(table);
    if (!index || !ShowTable(*index)) return false;
    const TableRows* rows = row_model_->Rows();
    for (std::size_t row = 0; row < rows->RowCount(); ++row) {
        if (rows->Key(row) != key) continue;
        int shown = row_model_->ShownRow(row);
        if (shown < 0) {
            filter_->clear();
            shown = row_model_->ShownRow(row);
        }
        QModelIndex cell = row_model_->index(shown, static_cast<int>(column));
        grid_->setCurrentIndex(cell);
        grid_->scrollTo(cell);
        return true;
    }
    return false;
}

bool ShowViewer(const ViewRequest& request, diag::OutcomeSink& sink) {
    std::unique_ptr<ViewerMainWindow> window = ViewerMainWindow::Open(request, sink);
    if (!window) return false;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window.release()->show();
    return true;
}

int RunViewer(const ViewRequest& request, diag::OutcomeSink& sink) {
    std::unique_ptr<ViewerMainWindow> window = ViewerMainWindow::Open(request, sink);
    if (!window) return 1;
    window->show();
    QApplication::exec();
    return 0;
}

}  // namespace viewer
