#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testing_support {
namespace fs = std::filesystem;

namespace {
fs::path BaseTemp() {
    if (const char* t = std::getenv("VSB_TEST_TMP"); t && *t) return t;
    return fs::temp_directory_path();
}
}  // namespace

TempDir::TempDir(bool redirect_tmpdir) {
    static std::atomic<int> counter{0};
    fs::path base = BaseTemp();
    fs::create_directories(base);
    for (;;) {
        fs::path candidate =
            base / ("t" + std::to_string(getpid()) + "_" + std::to_string(counter++));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate;
            break;
        }
        if (ec) throw std::runtime_error("cannot create temp dir: " + ec.message());
    }
    if (redirect_tmpdir) {
        if (const char* old = std::getenv("TMPDIR")) {
            had_tmpdir_ = true;
            old_tmpdir_ = old;
        }
        setenv("TMPDIR", path_.c_str(), 1);
        redirected_ = true;
    }
}

TempDir::~TempDir() {
    if (redirected_) {
        if (had_tmpdir_)
            setenv("TMPDIR", old_tmpdir_.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::vector<std::string> TempDir::Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

fs::path SharedDir() {
    fs::path dir = VSB_SHARED_DIR;
    std::error_code ec;
    if (fs::is_directory(dir / "fixtures", ec)) return fs::weakly_canonical(dir, ec);
    return {};
}

fs::path Fixture(const std::string& relative) {
    fs::path shared = SharedDir();
    if (shared.empty()) return {};
    fs::path p = shared / "fixtures" / relative;
    std::error_code ec;
    return fs::exists(p, ec) ? p : fs::path{};
}

TraceCapture::TraceCapture() {
    previous_ = win32::SetDebugSink([this](std::string_view text) {
        std::string line(text);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        lines_.push_back(line);
    });
}

TraceCapture::~TraceCapture() {
    win32::SetDebugSink(previous_);
}

std::string TraceCapture::Text() const {
    std::string all;
    for (const auto& l : lines_) all += l + "\n";
    return all;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string RunCommand(const std::string& command, int* status) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (status != nullptr) *status = -1;
        return output;
    }
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    const int result = ::pclose(pipe);
    if (status != nullptr) *status = result != -1 && WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

}  // namespace testing_support
