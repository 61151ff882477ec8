// deltalens-bench: times `deltalens-cli --format tsv` on generated transforms
// and reports its peak memory. For each size it makes a package and a
// transform that changes that many rows, runs the program several times, and
// checks that every change was printed. Several sizes show how time and
// memory grow with the number of changes.
//
//   deltalens-bench [--changes N[,N...]] [--runs R] [--cli PATH] [--keep FOLDER]
//
// Defaults: 25000,50000,100000 changes, 3 runs each, the deltalens-cli built
// beside this program, inputs in a scratch folder that is removed afterwards.
// --keep makes them in FOLDER/<changes>/ and leaves them there, for running
// deltalens-cli by hand or under a profiler. The target is 100,000 changes in
// at most 0.3 s with at most 400 bytes of peak memory a change.
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

namespace {

constexpr int kTargetChanges = 100000;
constexpr double kTargetSeconds = 0.3;
constexpr double kTargetBytesPerChange = 400;
constexpr const char* kHeaderLine = "Table\tColumn\tRow\tData\tCurrent";

struct Options {
    std::vector<int> sizes = {25000, 50000, kTargetChanges};
    int runs = 3;
    std::string cli = DELTALENS_CLI_PATH;
    std::string keep;  // empty: a scratch folder, removed at the end
};

struct SizeResult {
    int changes = 0;
    double setup_seconds = 0;
    double best_seconds = 0;
    double median_seconds = 0;
    double median_cpu_seconds = 0;
    long peak_kib = 0;
};

bool ParseSizes(const std::string& text, std::vector<int>& sizes) {
    sizes.clear();
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        char* end = nullptr;
        const long value = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || value < 1 || value > 10000000) return false;
        sizes.push_back(static_cast<int>(value));
    }
    return !sizes.empty();
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool has_value = i + 1 < argc;
        if (argument == "--changes" && has_value) {
            if (!ParseSizes(argv[++i], options.sizes)) return false;
        } else if (argument == "--runs" && has_value) {
            options.runs = std::atoi(argv[++i]);
            if (options.runs < 1 || options.runs > 100) return false;
        } else if (argument == "--cli" && has_value) {
            options.cli = argv[++i];
        } else if (argument == "--keep" && has_value) {
            options.keep = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

// The output must be the header and one line per change, nothing cut short.
bool OutputIsComplete(const std::string& path, int changes, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    long lines = 0;
    bool header_ok = false;
    while (std::getline(in, line)) {
        if (lines == 0) header_ok = line == kHeaderLine;
        ++lines;
    }
    if (!header_ok) {
        error = "the output does not start with the column names";
        return false;
    }
    if (lines != changes + 1L) {
        error = "expected " + std::to_string(changes + 1L) + " lines, got " + std::to_string(lines);
        return false;
    }
    return true;
}

bool MeasureSize(const Options& options, const std::filesystem::path& folder, int changes,
                 SizeResult& result) {
    result.changes = changes;
    const auto setup_start = std::chrono::steady_clock::now();
    deltalens_bench::BenchInputs inputs;
    std::string error;
    if (!deltalens_bench::MakeBenchInputs(folder, changes, inputs, error)) {
        std::fprintf(stderr, "deltalens-bench: %d changes: %s\n", changes, error.c_str());
        return false;
    }
    result.setup_seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - setup_start).count();

    const std::string output = (folder / "changes.tsv").string();
    std::vector<double> times;
    std::vector<double> cpu_times;
    for (int run = 0; run < options.runs; ++run) {
        const deltalens_bench::ChildRun child = deltalens_bench::RunChild(
            {options.cli, "--format", "tsv", inputs.package, inputs.transform}, output);
        if (!child.exited || child.status != 0) {
            std::fprintf(stderr, "deltalens-bench: %s did not succeed (status %d)\n",
                         options.cli.c_str(), child.status);
            return false;
        }
        if (!OutputIsComplete(output, changes, error)) {
            std::fprintf(stderr, "deltalens-bench: %d changes: %s\n", changes, error.c_str());
            return false;
        }
        times.push_back(child.seconds);
        cpu_times.push_back(child.cpu_seconds);
        result.peak_kib = std::max(result.peak_kib, child.peak_kib);
    }
    std::sort(times.begin(), times.end());
    result.best_seconds = times.front();
    result.median_seconds = times[times.size() / 2];
    std::sort(cpu_times.begin(), cpu_times.end());
    result.median_cpu_seconds = cpu_times[cpu_times.size() / 2];
    return true;
}

std::filesystem::path MakeScratchFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/deltalens-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

// Peak memory of the whole process over the changes it listed.
double BytesPerChange(const SizeResult& result) {
    return static_cast<double>(result.peak_kib) * 1024.0 / result.changes;
}

void PrintResults(const std::vector<SizeResult>& results) {
    std::printf("%10s  %9s  %10s  %10s  %10s  %12s  %14s\n", "changes", "setup s", "best s",
                "median s", "cpu s", "peak MiB", "bytes/change");
    for (const SizeResult& result : results) {
        std::printf("%10d  %9.2f  %10.3f  %10.3f  %10.3f  %12.1f  %14.0f\n", result.changes,
                    result.setup_seconds, result.best_seconds, result.median_seconds,
                    result.median_cpu_seconds, static_cast<double>(result.peak_kib) / 1024.0,
                    BytesPerChange(result));
    }
    // Growth between the smallest and the largest size: the memory each change
    // costs once the program's fixed part is taken out.
    if (results.size() >= 2) {
        const SizeResult& small = results.front();
        const SizeResult& large = results.back();
        if (large.changes > small.changes) {
            const double per_change = static_cast<double>(large.peak_kib - small.peak_kib) *
                                      1024.0 / (large.changes - small.changes);
            std::printf("memory growth: %.0f bytes per change between %d and %d changes\n",
                        per_change, small.changes, large.changes);
        }
    }
    for (const SizeResult& result : results) {
        if (result.changes != kTargetChanges) continue;
        std::printf(
            "target: %d changes in at most %.1f s: %s (median %.3f s wall clock, %.3f s cpu); "
            "at most %.0f bytes a change: %s (%.0f)\n",
            kTargetChanges, kTargetSeconds,
            result.median_seconds <= kTargetSeconds ? "met" : "NOT met", result.median_seconds,
            result.median_cpu_seconds, kTargetBytesPerChange,
            BytesPerChange(result) <= kTargetBytesPerChange ? "met" : "NOT met",
            BytesPerChange(result));
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fputs(
            "usage: deltalens-bench [--changes N[,N...]] [--runs R] [--cli PATH] [--keep FOLDER]\n",
            stderr);
        return 2;
    }
    std::sort(options.sizes.begin(), options.sizes.end());
    const bool keep = !options.keep.empty();
    std::error_code error;
    if (keep) std::filesystem::create_directories(options.keep, error);
    const std::filesystem::path scratch =
        keep ? std::filesystem::path(options.keep) : MakeScratchFolder();
    if (scratch.empty() || error) {
        std::fputs("deltalens-bench: cannot make the folder for the inputs\n", stderr);
        return 1;
    }
    std::printf("deltalens-bench: %s --format tsv, %d run(s) per size\n", options.cli.c_str(),
                options.runs);
    std::vector<SizeResult> results;
    bool ok = true;
    for (int changes : options.sizes) {
        const std::filesystem::path folder = scratch / std::to_string(changes);
        std::filesystem::create_directory(folder, error);
        SizeResult result;
        ok = MeasureSize(options, folder, changes, result);
        if (!keep) std::filesystem::remove_all(folder, error);
        if (!ok) break;
        results.push_back(result);
    }
    PrintResults(results);
    if (keep) {
        std::printf("inputs kept in %s\n", scratch.c_str());
    } else {
        std::filesystem::remove_all(scratch, error);
    }
    return ok ? 0 : 1;
}
