// viewer-marks-bench: how long the viewer takes to mark a transform's
// changes (viewer::ChangeMarks: apply in view mode, read _TransformView,
// index per table, row and cell) and how much memory it holds, beside
// deltalens-cli listing the same transform. Each size runs in a child
// process of its own, so that its peak memory is its own.
//
//   viewer-marks-bench [--changes N[,N...]] [--runs R] [--pair PACKAGE TRANSFORM]
//
// Defaults: 25000,50000,100000 changed cells (the inputs of deltalens-bench),
// 3 runs each. --pair measures a given package and transform instead, for
// example bench/make-package's base and changed packages with the transform
// `deltalens-cli make-transform` makes between them (inserts and deletes too).
// The target: 100,000 changes marked in at most 1 s, memory growing linearly.
//
// Run with `--mark PACKAGE TRANSFORM` it is the child: marks once and prints
// "<changes> <seconds spent marking>".
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
#include "change_marks.h"
#include "child_run.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kTargetChanges = 100000;
constexpr double kTargetSeconds = 1.0;

class PrintedOutcomes : public diag::OutcomeSink {
  public:
    void Tell(const diag::Outcome& outcome) override {
        std::fprintf(stderr, "%s\n%s\n", outcome.text.c_str(), outcome.cause.c_str());
    }
};

int MarkOnce(const std::string& package, const std::string& transform) {
    PrintedOutcomes outcomes;
    viewer::ChangeMarks marks;
    const auto start = std::chrono::steady_clock::now();
    if (!marks.Mark(package, {transform}, outcomes)) return 1;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu %.6f\n", marks.ChangeCount(), seconds);
    return 0;
}

struct Measure {
    std::size_t changes = 0;
    double mark_seconds = 0;  // median, inside the child: marking alone
    double wall_seconds = 0;  // median, the whole child process
    double cpu_seconds = 0;   // median
    long peak_kib = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs `arguments` `runs` times; with `marks` the output is the child's
// "<changes> <seconds>" line, else counted as listing lines (less the header).
bool MeasureRuns(const std::vector<std::string>& arguments, int runs, bool marks,
                 const fs::path& output, Measure& measure) {
    std::vector<double> marking, wall, cpu;
    for (int run = 0; run < runs; ++run) {
        const deltalens_bench::ChildRun child = deltalens_bench::RunChild(arguments, output);
        if (!child.exited || child.status != 0) {
            std::fprintf(stderr, "viewer-marks-bench: %s failed (status %d)\n",
                         arguments[0].c_str(), child.status);
            return false;
        }
        std::ifstream in(output);
        if (marks) {
            double seconds = 0;
            in >> measure.changes >> seconds;
            marking.push_back(seconds);
        } else {
            std::string line;
            std::size_t lines = 0;
            while (std::getline(in, line)) ++lines;
            measure.changes = lines > 0 ? lines - 1 : 0;
        }
        wall.push_back(child.seconds);
        cpu.push_back(child.cpu_seconds);
        measure.peak_kib = std::max(measure.peak_kib, child.peak_kib);
    }
    if (!marking.empty()) measure.mark_seconds = Median(marking);
    measure.wall_seconds = Median(wall);
    measure.cpu_seconds = Median(cpu);
    return true;
}

void PrintRow(const char* who, const Measure& m) {
    std::printf("%-14s %10zu  %9.3f  %9.3f  %9.3f  %9.1f  %12.0f\n", who, m.changes, m.mark_seconds,
                m.wall_seconds, m.cpu_seconds, m.peak_kib / 1024.0,
                m.changes ? m.peak_kib * 1024.0 / static_cast<double>(m.changes) : 0.0);
}

bool MeasurePair(const std::string& self, const std::string& package, const std::string& transform,
                 int runs, const fs::path& folder, std::vector<Measure>& ours) {
    Measure mine, cli;
    if (!MeasureRuns({self, "--mark", package, transform}, runs, true, folder / "marks.txt",
                     mine) ||
        !MeasureRuns({DELTALENS_CLI_PATH, "--format", "tsv", package, transform}, runs, false,
                     folder / "listing.tsv", cli))
        return false;
    PrintRow("viewer marks", mine);
    PrintRow("deltalens-cli", cli);
    if (mine.changes != cli.changes) {
        std::fprintf(stderr, "viewer-marks-bench: marked %zu changes, deltalens-cli lists %zu\n",
                     mine.changes, cli.changes);
        return false;
    }
    ours.push_back(mine);
    return true;
}

bool ParseSizes(const std::string& text, std::vector<int>& sizes) {
    sizes.clear();
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        const int value = std::atoi(item.c_str());
        if (value < 1 || value > 10000000) return false;
        sizes.push_back(value);
    }
    return !sizes.empty();
}

void PrintVerdict(const std::vector<Measure>& ours) {
    if (ours.size() >= 2 && ours.back().changes > ours.front().changes) {
        const double growth = (ours.back().peak_kib - ours.front().peak_kib) * 1024.0 /
                              static_cast<double>(ours.back().changes - ours.front().changes);
        std::printf("memory growth: %.0f bytes per change between %zu and %zu changes\n", growth,
                    ours.front().changes, ours.back().changes);
    }
    for (const Measure& m : ours) {
        if (m.changes < kTargetChanges) continue;
        std::printf(
            "target: %zu changes marked in at most %.1f s: %s (%.3f s marking, %.3f s "
            "the whole process, %.3f s of processor time)\n",
            m.changes, kTargetSeconds, m.mark_seconds <= kTargetSeconds ? "met" : "NOT met",
            m.mark_seconds, m.wall_seconds, m.cpu_seconds);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--mark") return MarkOnce(argv[2], argv[3]);

    std::vector<int> sizes = {25000, 50000, static_cast<int>(kTargetChanges)};
    int runs = 3;
    std::string pair_package, pair_transform;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        bool ok = i + 1 < argc;
        if (argument == "--changes" && ok) {
            ok = ParseSizes(argv[++i], sizes);
        } else if (argument == "--runs" && ok) {
            runs = std::atoi(argv[++i]);
            ok = runs >= 1 && runs <= 100;
        } else if (argument == "--pair" && i + 2 < argc) {
            pair_package = argv[++i];
            pair_transform = argv[++i];
        } else {
            ok = false;
        }
        if (!ok) {
            std::fputs(
                "usage: viewer-marks-bench [--changes N[,N...]] [--runs R] "
                "[--pair PACKAGE TRANSFORM]\n",
                stderr);
            return 2;
        }
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/viewer-marks-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::fputs("viewer-marks-bench: cannot make a scratch folder\n", stderr);
        return 1;
    }
    const fs::path scratch = pattern;
    const std::string self = fs::canonical("/proc/self/exe").string();

    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    // On a shared machine the wall clock waits for a core: compare processor time too.
    std::printf("viewer-marks-bench: %d run(s) each; seconds are medians; load average %.1f\n",
                runs, load[0]);
    std::printf("%-14s %10s  %9s  %9s  %9s  %9s  %12s\n", "", "changes", "marking", "process",
                "cpu", "peak MiB", "bytes/change");
    std::vector<Measure> ours;
    bool ok = true;
    if (!pair_package.empty()) {
        ok = MeasurePair(self, pair_package, pair_transform, runs, scratch, ours);
    } else {
        std::sort(sizes.begin(), sizes.end());
        for (int changes : sizes) {
            const fs::path folder = scratch / std::to_string(changes);
            fs::create_directory(folder);
            deltalens_bench::BenchInputs inputs;
            std::string error;
            ok = deltalens_bench::MakeBenchInputs(folder, changes, inputs, error) &&
                 MeasurePair(self, inputs.package, inputs.transform, runs, folder, ours);
            if (!error.empty()) std::fprintf(stderr, "viewer-marks-bench: %s\n", error.c_str());
            std::error_code ignored;
            fs::remove_all(folder, ignored);
            if (!ok) break;
        }
    }
    PrintVerdict(ours);
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return ok ? 0 : 1;
}
