// Runs a program as a child process with its standard output sent to a file
// and measures it: wall-clock time, and the peak resident memory that the
// kernel accounted to the child alone.
#pragma once

#include <string>
#include <vector>

namespace deltalens_bench {

struct ChildRun {
    bool exited = false;     // the child ran and exited (with any status)
    int status = -1;         // its exit status when it exited
    double seconds = 0;      // from fork to reaped
    double cpu_seconds = 0;  // user and system time of the child: steadier than the wall
                             // clock on a machine that others share
    long peak_kib = 0;       // maximum resident set size of the child, KiB
};

// `arguments` starts with the program path. Standard error stays the
// benchmark's own, so the child's messages are seen.
ChildRun RunChild(const std::vector<std::string>& arguments, const std::string& output_path);

}  // namespace deltalens_bench
