#include "test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

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

std::vector<fs::path> FixtureFiles(const std::vector<std::string>& extensions) {
    std::vector<fs::path> files;
    const fs::path shared = SharedDir();
    if (shared.empty()) return files;
    std::error_code ec;
    for (const char* folder : {"fixtures/real", "fixtures/generated"}) {
        if (!fs::is_directory(shared / folder, ec)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(shared / folder, ec)) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file(ec) &&
                std::find(extensions.begin(), extensions.end(), extension) != extensions.end())
                files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

const std::vector<const char*>& FixturePackageNames() {
    static const std::vector<const char*> names = {
        "real/adobe-reader/AcroRead.msi",
        "real/alcor-smartcard/AlcorSmartCardReaderDriver.msi",
        "real/lessmsi/IviNetSharedComponents32_Fx20_1.3.0.msi",
        "real/lessmsi/msi_with_external_cab.msi",
        "real/lessmsi/putty-0.68-installer.msi",
        "real/lessmsi/vcredist.msi",
        "real/pes2012/PES2012DEMO.msi",
        "real/wix3/RtmProduct.msi",
        "real/wix3/SimpleBinary.msi",
        "real/wix3/SimpleInstanceTransform.msi",
        "real/wix3/gdr1.msp",
        "real/wix3/he-il.msi",
        "generated/idt-cp1252.msi",
        "generated/many-strings.msi",
        "generated/wixl-hello.msi",
    };
    return names;
}

const std::vector<const char*>& RealFixturePackageNames() {
    static const std::vector<const char*> names = [] {
        std::vector<const char*> real;
        for (const char* name : FixturePackageNames()) {
            const std::string_view path(name);
            if (path.starts_with("real/") && path.ends_with(".msi")) real.push_back(name);
        }
        return real;
    }();
    return names;
}

std::string FixtureTestName(const std::string& fixture) {
    std::string name = fs::path(fixture).stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

fs::path OracleScript() {
    const char* script = std::getenv("VSB_ORACLE");
    if (script == nullptr || *script == '\0' || ::access(script, X_OK) != 0) return {};
    return script;
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

}  // namespace testing_support
