// Where the import parser reads lines from. The parser only sees this small
// interface, so tests feed it strings and the importer feeds it a file; both
// report positions as `name:line` for messages of the form
// `file:line: message`.
//
// Lines end at LF. Every CR is dropped, the one before the LF and one
// inside a line alike, as the installer's import does: CR LF (what the
// installer writes) and LF (what editors on Unix write) both work, and a
// bare CR never ends a line. A line longer than the source's limit is an
// error rather than an allocation the file controls.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "common/status.h"
#include "storage/folder.h"

namespace msi::idt {

class TextSource {
  public:
    // A row of one table longer than this is refused. Long values of real
    // packages are tens of kilobytes; the limit leaves room for much more
    // while keeping one line's memory bounded.
    static constexpr size_t kDefaultMaxLine = size_t{16} << 20;

    virtual ~TextSource() = default;
    // Reads the next line into `line` (without its end). Returns false at the
    // end of the text, an error when a line is too long or reading fails.
    virtual Result<bool> ReadLine(std::string& line) = 0;
    // What messages call the text (normally the file name).
    virtual const std::string& name() const = 0;
    // 1-based number of the line last returned, 0 before the first.
    size_t line_number() const { return line_number_; }
    // "name:line: message", the form every parse error takes.
    Status Error(std::string_view message) const;

  protected:
    size_t line_number_ = 0;
};

// Lines of a string held in memory.
class StringTextSource final : public TextSource {
  public:
    StringTextSource(std::string name, std::string text, size_t max_line = kDefaultMaxLine)
        : name_(std::move(name)), text_(std::move(text)), max_line_(max_line) {}
    Result<bool> ReadLine(std::string& line) override;
    const std::string& name() const override { return name_; }

  private:
    std::string name_;
    std::string text_;
    size_t pos_ = 0;
    size_t max_line_;
};

// Lines of a file, read in blocks.
class FileTextSource final : public TextSource {
  public:
    static Result<std::unique_ptr<FileTextSource>> Open(const std::string& path, std::string name,
                                                        size_t max_line = kDefaultMaxLine);
    // `file` resolved in `folder`; messages call it `shown`.
    static Result<std::unique_ptr<FileTextSource>> Open(const storage::Folder& folder,
                                                        const std::string& file,
                                                        const std::string& shown, std::string name,
                                                        size_t max_line = kDefaultMaxLine);
    ~FileTextSource() override;
    FileTextSource(const FileTextSource&) = delete;
    FileTextSource& operator=(const FileTextSource&) = delete;
    Result<bool> ReadLine(std::string& line) override;
    const std::string& name() const override { return name_; }

  private:
    FileTextSource(int fd, std::string name, size_t max_line)
        : fd_(fd), name_(std::move(name)), max_line_(max_line) {}
    Status Fill();

    int fd_;
    std::string name_;
    size_t max_line_;
    std::string buffer_;
    size_t pos_ = 0;
    bool eof_ = false;
};

}  // namespace msi::idt
