// deltalens-dialog-bench: fills the Deltalens dialog's change list from
// generated transforms and sets it beside deltalens-cli on the same inputs.
// For each size it makes a package and a transform that changes that many
// rows, then runs, each in a process of its own (so that peak memory is the
// run's alone), `deltalens-cli --format tsv` and the dialog on Qt's
// offscreen platform with both files given, which applies at once; the
// dialog's process reports how many items its list holds.
//
// The dialog's process then goes on as a user would over the full list, and
// reports the processor time of each step: Apply again, an Apply that fails
// (the package swapped for a file that is none), Apply once more after the
// failure, and Enter in the list (which runs Apply too). Each of them empties
// the full list before it fills it again.
//
//   deltalens-dialog-bench [--changes N[,N...]] [--runs R]
//
// Defaults: 10000,50000,100000 changes, 3 runs each. The targets at 100,000
// changes: the fill in under 2 s more than deltalens-cli takes, and Apply
// again within 0.5 s of processor time of the first fill.
#include <algorithm>
#include <ctime>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bench_inputs.h"
#include "child_run.h"
#include "deltalens_dlg.h"
#include "deltalens_resources.h"
#include "resource.h"
#include "window/offscreen_session.h"
#include "window/ui_driver.h"
#include "window/ui_test_hook.h"

namespace {

constexpr int kTargetChanges = 100000;
constexpr double kTargetExtraSeconds = 2.0;
constexpr double kTargetAgainExtraCpu = 0.5;

struct Figures {
    double seconds = 0;  // median wall clock
    double cpu = 0;      // median processor time
    long peak_kib = 0;
    // The dialog's own figures (FillDialog's output after the item count),
    // median of the runs.
    std::vector<double> steps;
};

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The child: the dialog up with both files, the list filled; with
// `steps_too`, then the steps over the full list. Prints the number of items, the seconds from the
// dialog's start to a full list, and the processor seconds of the fill and
// of each step.
int FillDialog(int argc, char** argv, bool steps_too) {
    fw::OffscreenSession session(argc, argv);
    fw::UseResources(&deltalens::gui::Resources());
    // Boxes would wait for a person; only the failing step shows one.
    fw::UiTestHook hook;
    const auto start = std::chrono::steady_clock::now();
    const double start_cpu = ProcessCpuSeconds();
    CDeltalensDlg dialog;
    dialog.SetStartFiles(argv[2], argv[3]);
    if (!dialog.Create()) return 1;
    // The dialog applies once its messages run.
    fw::OffscreenSession::ProcessEvents();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double fill_cpu = ProcessCpuSeconds() - start_cpu;
    const int items = dialog.m_lcChanges.GetItemCount();
    if (!steps_too) {
        std::printf("%d %.3f %.3f\n", items, seconds, fill_cpu);
        return hook.MessageBoxes().empty() ? 0 : 1;
    }

    bool steps_ok = true;
    auto step = [&](const std::function<void()>& act, int expected_items) {
        const double before = ProcessCpuSeconds();
        act();
        fw::OffscreenSession::ProcessEvents();
        const double cpu = ProcessCpuSeconds() - before;
        steps_ok = steps_ok && dialog.m_lcChanges.GetItemCount() == expected_items;
        return cpu;
    };
    const std::string package = argv[2];
    const double again =
        step([&] { dialog.OnCommand(MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0); }, items);
    // The transform is no package: the open fails, the list ends empty.
    const double failed = step(
        [&] {
            dialog.m_strMsiFile = argv[3];
            dialog.OnCommand(MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0);
        },
        0);
    const double after_failure = step(
        [&] {
            dialog.m_strMsiFile = package;
            dialog.OnCommand(MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0);
        },
        items);
    const double enter = step(
        [&] {
            // As the window system delivers it: to the list, which leaves
            // Enter to its dialog.
            dialog.m_lcChanges.SetFocus();
            fw::test::PressKey(fw::test::Key::kEnter);
        },
        items);
    std::printf("%d %.3f %.3f %.3f %.3f %.3f %.3f\n", items, seconds, fill_cpu, again, failed,
                after_failure, enter);
    return steps_ok && hook.MessageBoxes().size() == 1 ? 0 : 1;
}

// The numbers after the first of a child's output line.
std::vector<double> StepFigures(const std::string& output) {
    std::ifstream in(output);
    std::vector<double> figures;
    double items = 0;
    in >> items;
    for (double value = 0; in >> value;) figures.push_back(value);
    return figures;
}

Figures Measure(const std::vector<std::string>& command, const std::string& output, int runs,
                bool& ok, bool dialog_steps = false) {
    std::vector<double> seconds;
    std::vector<double> cpu;
    std::vector<std::vector<double>> steps;
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
        if (!dialog_steps) continue;
        const std::vector<double> run_steps = StepFigures(output);
        if (steps.size() < run_steps.size()) steps.resize(run_steps.size());
        for (std::size_t i = 0; i < run_steps.size(); ++i) steps[i].push_back(run_steps[i]);
    }
    for (std::vector<double>& values : steps) {
        std::sort(values.begin(), values.end());
        figures.steps.push_back(values[values.size() / 2]);
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
    if (argc == 4 && std::string(argv[1]) == "--fill") return FillDialog(argc, argv, false);
    if (argc == 4 && std::string(argv[1]) == "--steps") return FillDialog(argc, argv, true);

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
    std::vector<std::string> step_lines;
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
        // The steps in processes of their own, so that the fill's figures
        // above stay those of a fill alone.
        const Figures steps =
            Measure({self, "--steps", inputs.package, inputs.transform}, output, runs, ok, true);
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
        if (steps.steps.size() == 6) {
            // fill s, fill cpu, again, failed, after failure, enter.
            char line[200];
            std::snprintf(line, sizeof line, "%9d  %9.3f  %9.3f %9.3f %9.3f %9.3f", changes,
                          steps.steps[1], steps.steps[2], steps.steps[3], steps.steps[4],
                          steps.steps[5]);
            step_lines.push_back(line);
            if (changes == kTargetChanges) {
                std::snprintf(
                    line, sizeof line, "target: Apply again within %.1f s cpu of the fill: %s",
                    kTargetAgainExtraCpu,
                    steps.steps[2] <= steps.steps[1] + kTargetAgainExtraCpu ? "met" : "NOT met");
                step_lines.push_back(line);
            }
        }
    }
    if (ok && !step_lines.empty()) {
        std::printf("\nprocessor seconds in the dialog, over the full list:\n");
        std::printf("%9s  %9s  %9s %9s %9s %9s\n", "changes", "fill", "again", "failed", "refill",
                    "enter");
        for (const std::string& line : step_lines) std::printf("%s\n", line.c_str());
    }
    std::error_code remove_error;
    std::filesystem::remove_all(scratch, remove_error);
    return ok ? 0 : 1;
}
