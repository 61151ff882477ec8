// deltalens-dialog-bench: fills the Deltalens dialog's change list from
// generated transforms and sets it beside deltalens-cli on the same inputs.
// For each size it makes a package and a transform that changes that many
// rows, then runs, each in a process of its own (so that peak memory is the
// run's alone), `deltalens-cli --format tsv` and the dialog on Qt's
// offscreen platform with both files given, which applies at once; the
// dialog's process reports how many items its list holds.
//
//   deltalens-dialog-bench [--changes N[,N...]] [--runs R]
//
// Defaults: 10000,50000,100000 changes, 3 runs each. The target is the
// 100,000-change fill in under 2 s more than deltalens-cli takes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_inputs.h"
#include "child_run.h"
#include "deltalens_dlg.h"
#include "deltalens_resources.h"
#include "window/offscreen_session.h"
#include "window/ui_test_hook.h"

namespace {

constexpr int kTargetChanges = 100000;
constexpr double kTargetExtraSeconds = 2.0;

struct Figures {
    double seconds = 0;  // median wall clock
    double cpu = 0;      // median processor time
    long peak_kib = 0;
};

// The child: the dialog up with both files, the list filled; prints the
// number of items and the seconds from the dialog's start to a full list.
int FillDialog(int argc, char** argv) {
    fw::OffscreenSession session(argc, argv);
    fw::UseResources(&deltalens::gui::Resources());
    // Boxes would wait for a person; there should be none.
    fw::UiTestHook hook;
    const auto start = std::chrono::steady_clock::now();
    CDeltalensDlg dialog;
    dialog.SetStartFiles(argv[2], argv[3]);
    if (!dialog.Create()) return 1;
    // The dialog applies once its messages run.
    fw::OffscreenSession::ProcessEvents();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d %.3f\n", dialog.m_lcChanges.GetItemCount(), seconds);
    return hook.MessageBoxes().empty() ? 0 : 1;
}

Figures Measure(const std::vector<std::string>& command, const std::string& output, int runs,
                bool& ok) {
    std::vector<double> seconds;
    std::vector<double> cpu;
    Figures figures;
    for (int run = 0; run < runs; ++run) {
        const deltalens_bench::ChildRun child = deltalens_bench::RunChild(command, output);
        if (!child.exited || child.status != 0) {
            std::fprintf(stderr, "deltalens-dialog-bench: %s failed (status %d)\n",
                         command.front().c_str(), child.status);
            ok = false;
            return figures;
        }
        seconds.push_back(child.seconds);
        cpu.push_back(child.cpu_seconds);
        figures.peak_kib = std::max(figures.peak_kib, child.peak_kib);
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(cpu.begin(), cpu.end());
    figures.seconds = seconds[seconds.size() / 2];
    figures.cpu = cpu[cpu.size() / 2];
    return figures;
}

int ItemsListed(const std::string& output) {
    std::ifstream in(output);
    int items = -1;
    in >> items;
    return items;
}

std::vector<int> ParseSizes(const std::string& text) {
    std::vector<int> sizes;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        const int value = std::atoi(item.c_str());
        if (value < 1) return {};
        sizes.push_back(value);
    }
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--fill") return FillDialog(argc, argv);

    std::vector<int> sizes = {10000, 50000, kTargetChanges};
    int runs = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--changes" && i + 1 < argc) {
            sizes = ParseSizes(argv[++i]);
        } else if (argument == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            sizes.clear();
        }
    }
    if (sizes.empty()) {
        std::fputs("usage: deltalens-dialog-bench [--changes N[,N...]] [--runs R]\n", stderr);
        return 2;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string scratch =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/dialog-bench-XXXXXX";
    if (mkdtemp(scratch.data()) == nullptr) return 1;
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();

    std::printf("%9s  %9s %8s %9s  %9s %8s %9s  %8s  %s\n", "changes", "cli s", "cpu s", "peak MiB",
                "dialog s", "cpu s", "peak MiB", "extra s", "items");
    bool ok = true;
    for (int changes : sizes) {
        const std::filesystem::path folder =
            std::filesystem::path(scratch) / std::to_string(changes);
        std::filesystem::create_directories(folder);
        deltalens_bench::BenchInputs inputs;
        std::string error;
        if (!deltalens_bench::MakeBenchInputs(folder, changes, inputs, error)) {
            std::fprintf(stderr, "deltalens-dialog-bench: %d changes: %s\n", changes,
                         error.c_str());
            ok = false;
            break;
        }
        const std::string output = (folder / "out.txt").string();
        const Figures cli =
            Measure({DELTALENS_CLI_PATH, "--format", "tsv", inputs.package, inputs.transform},
                    output, runs, ok);
        const Figures dialog =
            Measure({self, "--fill", inputs.package, inputs.transform}, output, runs, ok);
        const int items = ItemsListed(output);
        if (!ok) break;
        if (items != changes) {
            std::fprintf(stderr, "deltalens-dialog-bench: the list holds %d items, not %d\n", items,
                         changes);
            ok = false;
            break;
        }
        std::printf("%9d  %9.3f %8.3f %9.1f  %9.3f %8.3f %9.1f  %8.3f  %d\n", changes, cli.seconds,
                    cli.cpu, cli.peak_kib / 1024.0, dialog.seconds, dialog.cpu,
                    dialog.peak_kib / 1024.0, dialog.seconds - cli.seconds, items);
        if (changes == kTargetChanges)
            std::printf("target: the dialog within %.1f s of the CLI at %d changes: %s\n",
                        kTargetExtraSeconds, kTargetChanges,
                        dialog.seconds - cli.seconds < kTargetExtraSeconds ? "met" : "NOT met");
    }
    std::error_code remove_error;
    std::filesystem::remove_all(scratch, remove_error);
    return ok ? 0 : 1;
}
