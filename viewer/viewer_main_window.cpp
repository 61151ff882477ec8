#include "viewer_main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>

#include "binary_preview.h"
#include "box_outcomes.h"
#include "code_page_names.h"
#include "message_fill.h"
#include "msi_engine.h"
#include "row_model.h"
#include "summary_information.h"
#include "table_export.h"
#include "table_list_model.h"
#include "text_table_model.h"
#include "viewer_messages.h"
#include "window/clipboard.h"
#include "window/file_dialog.h"
#include "core/message_box.h"

namespace viewer {

namespace {

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// The summary pane's rows: each property the package holds, then the
// database's own code page. Names and formats are the installer's, as
// tablesmith-cli info shows them.
std::vector<std::vector<std::string>> SummaryRows(MSIHANDLE database, const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    std::vector<installer::SummaryProperty> properties;
    installer::ReadSummaryInformation(database, path, properties);
    for (const installer::SummaryProperty& property : properties) {
        using Type = installer::SummaryProperty::Type;
        std::string value = property.text;
        if (property.id == PID_CODEPAGE && property.type == Type::kInteger)
            value = installer::DescribeCodePage(static_cast<unsigned>(property.number));
        const char* type = property.type == Type::kInteger ? "Integer"
                           : property.type == Type::kTime  ? "Date"
                                                           : "Text";
        rows.push_back({property.name, type, std::move(value)});
    }
    UINT code_page = 0;
    rows.push_back({"Database code page", "Integer",
                    msi::DatabaseCodePage(database, &code_page) == ERROR_SUCCESS
                        ? installer::DescribeCodePage(code_page)
                        : "unknown"});
    return rows;
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
    : package_(std::move(package)), extract_files_(request.extract_files) {
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
    // Rows with the grid's height; the name takes the width the counts leave.
    table_list_->verticalHeader()->setDefaultSectionSize(table_list_->fontMetrics().height() + 6);
    table_list_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_list_->horizontalHeader()->setSectionResizeMode(TableListModel::kName,
                                                          QHeaderView::Stretch);
    table_list_->setWordWrap(false);
    table_list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the list for the next control instead of walking its cells.
    table_list_->setTabKeyNavigation(false);

    grid_ = new QTableView;
    grid_->setModel(row_model_);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setWordWrap(false);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setSortIndicatorShown(true);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    grid_->setSortingEnabled(true);

    filter_ = new QLineEdit;
    filter_->setPlaceholderText(QStringLiteral("Filter rows"));
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, this,
            [this](const QString& text) { row_model_->SetFilter(text.toStdString()); });

    auto* export_button = new QPushButton(QStringLiteral("Export Table As..."));
    connect(export_button, &QPushButton::clicked, this, [this] { ExportTableAs(); });
    auto* filter_row = new QHBoxLayout;
    filter_row->addWidget(filter_, 1);
    if (package_->Marks()) {
        changed_only_ = new QCheckBox(QStringLiteral("&Changed rows only"));
        connect(changed_only_, &QCheckBox::toggled, this,
                [this](bool only) { row_model_->SetChangedRowsOnly(only); });
        filter_row->addWidget(changed_only_);
    }
    filter_row->addWidget(export_button);

    preview_ = new QPlainTextEdit;
    preview_->setReadOnly(true);
    preview_->setLineWrapMode(QPlainTextEdit::NoWrap);
    preview_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    save_data_ = new QPushButton(QStringLiteral("Save Data As..."));
    connect(save_data_, &QPushButton::clicked, this, [this] { SaveDataAs(); });
    binary_pane_ = new QWidget;
    auto* binary_layout = new QVBoxLayout(binary_pane_);
    binary_layout->setContentsMargins(0, 0, 0, 0);
    binary_layout->addWidget(preview_, 1);
    binary_layout->addWidget(save_data_, 0, Qt::AlignLeft);
    binary_pane_->hide();

    auto* grid_split = new QSplitter(Qt::Vertical);
    grid_split->addWidget(grid_);
    grid_split->addWidget(binary_pane_);
    grid_split->setStretchFactor(0, 3);
    grid_split->setStretchFactor(1, 1);

    auto* rows_page = new QWidget;
    auto* rows_layout = new QVBoxLayout(rows_page);
    rows_layout->setContentsMargins(4, 4, 4, 4);
    rows_layout->addLayout(filter_row);
    rows_layout->addWidget(grid_split, 1);

    summary_model_ = new TextTableModel({"Property", "Type", "Value"}, this);
    summary_model_->SetRows(SummaryRows(package_->Database(), package_->Path()));
    auto* summary_view = new QTableView;
    summary_view->setModel(summary_model_);
    summary_view->verticalHeader()->hide();
    summary_view->horizontalHeader()->setStretchLastSection(true);
    summary_view->setWordWrap(false);
    summary_view->verticalHeader()->setDefaultSectionSize(summary_view->fontMetrics().height() + 6);
    summary_view->resizeColumnsToContents();

    tabs_ = new QTabWidget;
    tabs_->addTab(rows_page, QStringLiteral("&Rows"));
    tabs_->addTab(summary_view, QStringLiteral("&Summary Information"));

    auto* splitter = new QSplitter;
    splitter->addWidget(table_list_);
    splitter->addWidget(tabs_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({300, 700});
    // A transform's changes are a third column: the names keep room beside it.
    if (package_->Marks()) table_list_->setMinimumWidth(330);
    setCentralWidget(splitter);

    status_ = new QLabel;
    statusBar()->addWidget(status_, 1);
    if (const RowMarks* marks = package_->Marks())
        statusBar()->addPermanentWidget(new QLabel(QString::fromStdString(marks->StatusText())));

    connect(table_list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { OnTableChosen(); });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { OnCellChosen(); });
    BuildFindBar();
    BuildActions();
    // The list has the keyboard first: typing a table's name goes to it.
    table_list_->setFocus();
    if (package_->Marks())
        connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& cell) { ShowCellChange(cell); });
    resize(1000, 640);
}

void ViewerMainWindow::BuildFindBar() {
    find_text_ = new QLineEdit;
    find_text_->setPlaceholderText(QStringLiteral("Text or number"));
    whole_cell_ = new QCheckBox(QStringLiteral("Whole cell"));
    match_case_ = new QCheckBox(QStringLiteral("Match case"));
    auto* find_button = new QPushButton(QStringLiteral("Find All"));
    auto run = [this] {
        Find(
            {find_text_->text().toStdString(), whole_cell_->isChecked(), match_case_->isChecked()});
    };
    connect(find_text_, &QLineEdit::returnPressed, this, run);
    connect(find_button, &QPushButton::clicked, this, run);

    hit_model_ = new TextTableModel({"Table", "Row key", "Column"}, this);
    hit_list_ = new QTableView;
    hit_list_->setModel(hit_model_);
    hit_list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    hit_list_->setSelectionMode(QAbstractItemView::SingleSelection);
    hit_list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    hit_list_->verticalHeader()->hide();
    hit_list_->verticalHeader()->setDefaultSectionSize(hit_list_->fontMetrics().height() + 6);
    hit_list_->horizontalHeader()->setStretchLastSection(true);
    hit_list_->setWordWrap(false);
    connect(hit_list_, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { ShowHit(static_cast<std::size_t>(index.row())); });
    connect(hit_list_, &QAbstractItemView::clicked, this,
            [this](const QModelIndex& index) { ShowHit(static_cast<std::size_t>(index.row())); });

    auto* bar = new QWidget;
    auto* line = new QHBoxLayout;
    line->addWidget(new QLabel(QStringLiteral("Find:")));
    line->addWidget(find_text_, 1);
    line->addWidget(whole_cell_);
    line->addWidget(match_case_);
    line->addWidget(find_button);
    auto* layout = new QVBoxLayout(bar);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(line);
    layout->addWidget(hit_list_, 1);
    find_dock_ = new QDockWidget(QStringLiteral("Find in All Tables"), this);
    find_dock_->setObjectName(QStringLiteral("find"));
    find_dock_->setWidget(bar);
    addDockWidget(Qt::BottomDockWidgetArea, find_dock_);
    find_dock_->hide();
}

void ViewerMainWindow::BuildActions() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Export Table As..."), this, [this] { ExportTableAs(); });
    file->addAction(QStringLiteral("&Save Data As..."), this, [this] { SaveDataAs(); });
    if (extract_files_) {
        extract_files_action_ = file->addAction(QStringLiteral("E&xtract Files..."), this, [this] {
            BoxOutcomes sink;
            extract_files_(package_->Path(), sink);
        });
    }
    file->addSeparator();
    file->addAction(QStringLiteral("&Close"), QKeySequence::Close, this, [this] { close(); });
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* copy = edit->addAction(QStringLiteral("&Copy"), QKeySequence::Copy, this,
                                    [this] { CopySelection(); });
    // The grid's own copy would give display texts; ours gives whole ones.
    copy->setShortcutContext(Qt::WindowShortcut);
    edit->addAction(QStringLiteral("&Find in All Tables..."), QKeySequence::Find, this, [this] {
        find_dock_->show();
        find_text_->setFocus();
        find_text_->selectAll();
    });
    find_next_ = edit->addAction(QStringLiteral("Find &Next"), QKeySequence(Qt::Key_F3), this,
                                 [this] { GoToHit(false); });
    edit->addAction(QStringLiteral("Find &Previous"), QKeySequence(Qt::SHIFT | Qt::Key_F3), this,
                    [this] { GoToHit(true); });
}

QAbstractItemModel* ViewerMainWindow::Summary() const {
    return summary_model_;
}

void ViewerMainWindow::OnCellChosen() {
    const QModelIndex current = grid_->currentIndex();
    const TableRows* rows = row_model_->Rows();
    if (!current.isValid() || !rows ||
        !rows->Columns()[static_cast<std::size_t>(current.column())].IsBinary() ||
        rows->Cell(row_model_->SourceRow(current.row()), static_cast<std::size_t>(current.column()))
            .View()
            .empty()) {
        binary_pane_->hide();
        return;
    }
    std::size_t size = 0;
    const std::string bytes =
        rows->ReadBinary(package_->Database(), row_model_->SourceRow(current.row()),
                         static_cast<std::size_t>(current.column()), kPreviewBytes, &size);
    QString text = QString::fromLatin1(HexPreview(bytes).c_str());
    if (size > bytes.size())
        text += QStringLiteral("... (the first %1 of %2 bytes)").arg(bytes.size()).arg(size);
    preview_->setPlainText(text);
    binary_pane_->show();
}

std::size_t ViewerMainWindow::Find(const FindOptions& options) {
    hits_ = FindInTables(*package_, options);
    table_model_->TableChanged(0);
    std::vector<std::vector<std::string>> listed;
    listed.reserve(hits_.size());
    for (const FindHit& hit : hits_) {
        const TableRows* rows = package_->Rows(hit.table);
        std::string key;
        for (const std::string& cell : rows->Key(hit.row)) key += (key.empty() ? "" : ", ") + cell;
        listed.push_back(
            {package_->Tables()[hit.table].name, key, rows->Columns()[hit.column].name});
    }
    hit_model_->SetRows(std::move(listed));
    hit_list_->resizeColumnsToContents();
    find_dock_->show();
    if (hits_.empty()) {
        status_->setText(QString::fromStdString(diag::FillMessage(kNothingFound, {options.text})));
        return 0;
    }
    ShowHit(0);
    return hits_.size();
}

bool ViewerMainWindow::GoToHit(bool backwards) {
    if (hits_.empty()) return false;
    const std::size_t count = hits_.size();
    ShowHit(backwards ? (current_hit_ + count - 1) % count : (current_hit_ + 1) % count);
    return true;
}

void ViewerMainWindow::ShowHit(std::size_t hit) {
    if (hit >= hits_.size()) return;
    current_hit_ = hit;
    const FindHit& found = hits_[hit];
    hit_list_->selectRow(static_cast<int>(hit));
    const TableRows* rows = package_->Rows(found.table);
    GoToCell(package_->Tables()[found.table].name, rows->Key(found.row), found.column);
    status_->setText(QStringLiteral("Hit %1 of %2").arg(hit + 1).arg(hits_.size()));
}

std::string ViewerMainWindow::CopySelection() {
    QModelIndexList selected = grid_->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return {};
    std::sort(selected.begin(), selected.end(), [](const QModelIndex& a, const QModelIndex& b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    std::string text;
    const bool whole_rows =
        !grid_->selectionModel()->selectedRows().isEmpty() &&
        grid_->selectionModel()->selectedRows().size() * row_model_->columnCount() ==
            selected.size();
    if (whole_rows) {
        for (int c = 0; c < row_model_->columnCount(); ++c)
            text +=
                (c ? "\t" : "") + row_model_->Rows()->Columns()[static_cast<std::size_t>(c)].name;
        text += '\n';
    }
    int row = selected.front().row();
    bool first = true;
    for (const QModelIndex& index : selected) {
        if (index.row() != row) {
            text += '\n';
            row = index.row();
            first = true;
        }
        if (!first) text += '\t';
        first = false;
        text += index.data(RowModel::kWholeTextRole).toString().toStdString();
    }
    text += '\n';
    fw::SetClipboardText(text);
    return text;
}

void ViewerMainWindow::ExportTableAs() {
    if (!current_table_ || !row_model_->Rows()) return;
    const std::string& name = package_->Tables()[*current_table_].name;
    CFileDialog dialog(FALSE, "csv", (name + ".csv").c_str(),
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST,
                       "CSV Files|*.csv|TSV Files|*.tsv|JSON Files|*.json|IDT Files|*.idt|");
    if (dialog.DoModal() != IDOK) return;
    const std::string path = dialog.GetPathName();
    std::string failure;
    std::optional<ExportFormat> format = ExportFormatOfPath(path);
    if (!format) failure = "the name ends in none of .csv, .tsv, .json, .idt";
    if (failure.empty() && ExportTable(*package_, *current_table_, *format, path, &failure)) {
        status_->setText(QString::fromStdString("Exported " + name + " to " + path));
        return;
    }
    fw::MessageBoxWithDetail(diag::FillMessage(kCantExportTable, {name, path}), MB_OK | MB_ICONSTOP,
                             failure);
}

void ViewerMainWindow::SaveDataAs() {
    const QModelIndex current = grid_->currentIndex();
    const TableRows* rows = row_model_->Rows();
    if (!current.isValid() || !rows ||
        !rows->Columns()[static_cast<std::size_t>(current.column())].IsBinary())
        return;
    const std::size_t row = row_model_->SourceRow(current.row());
    CFileDialog dialog(FALSE, nullptr, rows->Key(row).front().c_str(),
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST, "All Files|*|");
    if (dialog.DoModal() != IDOK) return;
    const std::string path = dialog.GetPathName();
    std::size_t size = 0;
    const std::string bytes =
        rows->ReadBinary(package_->Database(), row, static_cast<std::size_t>(current.column()),
                         static_cast<std::size_t>(-1), &size);
    std::string failure;
    if (bytes.size() != size) failure = "the stream could not be read whole";
    if (failure.empty() && WriteFileAtomically(path, bytes, &failure)) {
        status_->setText(
            QString::fromStdString("Saved " + std::to_string(size) + " bytes to " + path));
        return;
    }
    fw::MessageBoxWithDetail(diag::FillMessage(kCantSaveData, {path}), MB_OK | MB_ICONSTOP,
                             failure);
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

// A changed cell's value before and after on the status line, as its
// tooltip gives them, so that they can be read without the mouse.
void ViewerMainWindow::ShowCellChange(const QModelIndex& cell) {
    const TableRows* rows = row_model_->Rows();
    if (!cell.isValid() || !rows) return;
    const std::size_t row = row_model_->SourceRow(cell.row());
    const std::string& column = rows->Columns()[static_cast<std::size_t>(cell.column())].name;
    const std::optional<CellChange> change =
        package_->Marks()->ChangeOfCell(rows->Table(), rows->Key(row), column);
    const RowMark mark = package_->Marks()->MarkOfRow(rows->Table(), rows->Key(row));
    if (mark == RowMark::kInserted || mark == RowMark::kDeleted) {
        status_->setText(
            QString::fromStdString(rows->Table() + ": a row the transform " +
                                   (mark == RowMark::kInserted ? "inserts" : "deletes")));
        return;
    }
    if (!change) return;
    status_->setText(QString::fromStdString(rows->Table() + "." + column + ": \"" + change->before +
                                            "\" \u2192 \"" + change->after + "\""));
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
    // A modal dialog blocks every window but its own children: the viewer
    // opened from one is its child window, so both take input.
    if (QWidget* modal = QApplication::activeModalWidget()) window->setParent(modal, Qt::Window);
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
