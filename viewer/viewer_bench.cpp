// viewer-bench: the package viewer's figures. Each measurement runs in a
// process of its own (this program again, with --child), so that its peak
// memory is its own; `tablesmith-cli tables` on the same package is run the
// same way beside it.
//
//   viewer-bench [--acroread PACKAGE] [--large PACKAGE] [--many PACKAGE] [--runs R]
//
//   --acroread  a real package: open until its first table is shown
//   --large     a package with one table of 200,000 rows (bench/make-package
//               OUT.msi 200000 long): its first screen, the jump to its last
//               row, peak memory beside tablesmith-cli tables
//   --many      a package of 200,000 rows in several tables (make-package
//               OUT.msi 200000 base): find over every table
//
// Targets: AcroRead.msi open <= 0.3 s; a 200,000-row table's first screen
// <= 0.5 s and its last row at once; peak memory <= 1.5 x tablesmith-cli
// tables + 30 MB; find over every table <= 0.5 s.
#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "child_run.h"
#include "core/message_box.h"
#include "row_model.h"
#include "viewer_main_window.h"
#include "window/offscreen_session.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct PrintSink : diag::OutcomeSink {
    void Tell(const diag::Outcome& outcome) override {
        std::fprintf(stderr, "%s (%s)\n", outcome.text.c_str(), outcome.cause.c_str());
    }
};

// Lets the window lay out and paint what it shows now.
void Settle(QWidget& window) {
    fw::OffscreenSession::ProcessEvents();
    window.repaint();
    fw::OffscreenSession::ProcessEvents();
}

// The child: one measurement, printed as "NAME SECONDS" lines.
int Child(const std::string& what, const std::string& package) {
    PrintSink sink;
    const Clock::time_point start = Clock::now();
    auto window = viewer::ViewerMainWindow::Open({package, {}, "", {}, {}}, sink);
    if (!window) return 1;
    window->show();
    Settle(*window);
    std::printf("first-table %.4f\n", Since(start));
    if (what == "large") {
        // The table with the most rows, as a user would pick it.
        std::size_t largest = 0;
        for (std::size_t t = 0; t < window->Package().Tables().size(); ++t)
            if (window->Package().Tables()[t].rows > window->Package().Tables()[largest].rows)
                largest = t;
        Clock::time_point shown = Clock::now();
        window->ShowTable(largest);
        Settle(*window);
        std::printf("first-screen %.4f rows %d\n", Since(shown), window->Rows()->rowCount());
        Clock::time_point jump = Clock::now();
        window->Grid()->scrollToBottom();
        Settle(*window);
        std::printf("last-row %.4f\n", Since(jump));
        Clock::time_point sort = Clock::now();
        window->Grid()->sortByColumn(1, Qt::DescendingOrder);
        Settle(*window);
        std::printf("sort %.4f\n", Since(sort));
    } else if (what == "many") {
        // The first search reads every table; the second finds them read.
        for (const char* name : {"find-first", "find-again"}) {
            Clock::time_point find = Clock::now();
            const std::size_t hits = window->Find({"no such text anywhere", false, false});
            Settle(*window);
            std::printf("%s %.4f hits %zu\n", name, Since(find), hits);
        }
    }
    return 0;
}

std::map<std::string, double> ReadFigures(const std::string& path) {
    std::map<std::string, double> figures;
    std::ifstream in(path);
    std::string name;
    double value = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        if (words >> name >> value && !figures.count(name)) figures[name] = value;
    }
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void Measure(const std::string& self, const std::string& what, const std::string& package,
             int runs) {
    std::printf("\n%s: %s\n", what.c_str(), package.c_str());
    std::map<std::string, std::vector<double>> figures;
    std::vector<double> peaks, cli_peaks, cli_seconds;
    const std::string out = "/tmp/viewer-bench-child.txt";
    for (int run = 0; run < runs; ++run) {
        deltalens_bench::ChildRun child =
            deltalens_bench::RunChild({self, "--child", what, package}, out);
        if (!child.exited || child.status != 0) {
            std::printf("  the viewer failed (status %d)\n", child.status);
            return;
        }
        for (const auto& [name, value] : ReadFigures(out)) figures[name].push_back(value);
        peaks.push_back(static_cast<double>(child.peak_kib));
        deltalens_bench::ChildRun cli =
            deltalens_bench::RunChild({TABLESMITH_CLI_PATH, "tables", package}, "/dev/null");
        cli_peaks.push_back(static_cast<double>(cli.peak_kib));
        cli_seconds.push_back(cli.seconds);
    }
    for (const auto& [name, values] : figures)
        std::printf("  %-13s %8.3f s (median of %d)\n", name.c_str(), Median(values), runs);
    const double peak = Median(peaks) / 1024, cli_peak = Median(cli_peaks) / 1024;
    std::printf(
        "  peak memory   %8.1f MB   tablesmith-cli tables %.1f MB in %.3f s; "
        "limit 1.5 x + 30 = %.1f MB\n",
        peak, cli_peak, Median(cli_seconds), 1.5 * cli_peak + 30);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 3 && arguments[0] == "--child") {
        fw::OffscreenSession session(argc, argv);
        return Child(arguments[1], arguments[2]);
    }
    std::map<std::string, std::string> packages;
    int runs = 3;
    for (std::size_t i = 0; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--runs")
            runs = std::max(1, std::atoi(arguments[i + 1].c_str()));
        else
            packages[arguments[i].substr(2)] = arguments[i + 1];
    }
    if (packages.empty()) {
        std::fprintf(stderr,
                     "usage: viewer-bench [--acroread PACKAGE] [--large PACKAGE] "
                     "[--many PACKAGE] [--runs R]\n");
        return 2;
    }
    for (const char* what : {"acroread", "large", "many"})
        if (packages.count(what)) Measure(argv[0], what, packages[what], runs);
    return 0;
}
