// The export folder of a package: the temporary folder, a separator and the
// package title (its file name without folder and without its last
// extension). Export fills it and Generate reads it back; the two commands
// meet only there. Two packages of one name in different folders therefore
// share one export folder.
//
// The folder's name can be guessed by anyone on the machine, so it is only
// used when it is a real folder (not a link) of the user's own that no one
// else may write to; what is written there replaces files whole under their
// names and never writes through a link left there.
//
// Its path is looked up once. Whoever may rename entries of the folder above
// (a shared folder without the sticky bit) could otherwise swap the checked
// folder for a link between two files and have the next file written
// wherever the link points. So a command opens the folder once (ExportFolder:
// without following a link, the checks made on what was opened) and reads,
// makes, renames and removes every file through that descriptor.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace tablesmith {

// "my.pkg.msi" -> "my.pkg"; "" for a path without a file name.
std::string PackageTitle(const std::string& msi_file);

// The folder name for a title. A title that would name no folder of its own
// ("", ".", "..": the packages ".msi", "..msi" and "...msi") gets a "_" in
// front, and each separator ("/" or "\") becomes "_", so the export folder
// is always one new level below the temporary folder.
std::string ExportFolderName(const std::string& title);

// The export folder of `msi_file`, or "" when the temporary folder cannot be
// told (joining a title to an empty folder would name a folder in the root).
std::string ExportFolderOf(const std::string& msi_file);

// `name` in `folder`, joined exactly: nothing is added, dropped or trimmed.
std::string FileInFolder(const std::string& folder, const std::string& name);

// An export folder held open. Everything a command reads or writes in the
// folder goes through one of these, so that it all happens in the folder
// that was checked. Moves, never copies: the descriptor has one owner.
class ExportFolder {
  public:
    ExportFolder() = default;
    ~ExportFolder();
    ExportFolder(ExportFolder&& other) noexcept;
    ExportFolder& operator=(ExportFolder&& other) noexcept;
    ExportFolder(const ExportFolder&) = delete;
    ExportFolder& operator=(const ExportFolder&) = delete;

    // Opens the folder at `path` and checks it: "" when it may take the
    // export's files (it exists, is a folder and not a link, belongs to the
    // user, and no one else may write to it unless the sticky bit keeps them
    // from replacing what is there). Otherwise the message that tells the
    // user why not, and the object stays closed; for a missing folder, the
    // one that asks for an export first.
    std::string Open(const std::string& path);
    // Makes the folder when it is missing (one level, mode 0700 unless the
    // umask is stricter), then opens and checks it as above. `created` tells
    // whether it was made here.
    std::string Make(const std::string& path, bool* created = nullptr);

    // Makes the folder `name` inside `parent` when missing (mode 0700 less
    // the umask), then opens it through the parent's descriptor, never
    // through a link, and checks it as Open does. Nested folders are made
    // one level at a time this way, so none of them is ever found by a path.
    std::string MakeIn(const ExportFolder& parent, const std::string& name);

    bool is_open() const { return fd_ >= 0; }
    // The descriptor, for calls that work relative to it (openat and the
    // engine's folder calls); -1 when closed.
    int fd() const { return fd_; }
    // The path it was opened by, for messages only.
    const std::string& path() const { return path_; }
    // A file of the folder as messages name it.
    std::string Show(const std::string& name) const { return FileInFolder(path_, name); }

    // What is at `name` itself (a link is not followed); false with errno
    // set when nothing is, or the folder is closed.
    bool Stat(const std::string& name, struct stat& st) const;
    // Opens `name` for reading, never through a link (ELOOP) and without
    // waiting on a FIFO; -1 with errno set when it cannot.
    int OpenForReading(const std::string& name) const;
    // The names of the folder's entries but "." and "..", in no order;
    // empty when the folder cannot be read.
    std::vector<std::string> Names() const;
    // Removes the file `name`; false with errno set when it cannot.
    bool Remove(const std::string& name) const;
    // Renames `from` over `to`, both in the folder; false with errno set.
    bool Rename(const std::string& from, const std::string& to) const;
    // Makes a new, empty file under a temporary name for `name` ("<name>"
    // and an unfinished ending, see IsUnfinishedFileName), open for writing
    // and made anew, so that no file or link that was there is ever
    // opened. Its mode is `mode` less the umask. -1 with errno set when
    // none could be made; `temp` holds the name on success.
    int CreateUnfinished(const std::string& name, mode_t mode, std::string& temp) const;

  private:
    void Close();

    int fd_ = -1;
    std::string path_;
};

// A file written into an export folder under a temporary name and renamed
// over its own name only once every byte is written: an interrupted or
// failed write never leaves a cut file under the real name, and a link
// placed at that name beforehand is replaced, never written through. The
// temporary file is removed unless Commit succeeded. Failures are errno
// values (0 for none).
class FolderFileWriter {
  public:
    // The new file gets `mode` less the umask.
    FolderFileWriter(const ExportFolder& folder, std::string name, mode_t mode = 0666);
    ~FolderFileWriter();
    FolderFileWriter(const FolderFileWriter&) = delete;
    FolderFileWriter& operator=(const FolderFileWriter&) = delete;

    // The error of making the temporary file; 0 when it is there.
    int error() const { return error_; }
    int Write(const char* data, std::size_t count);
    // Gives the file its time of last change (seconds since the epoch).
    int SetModified(time_t modified);
    int Commit();

  private:
    const ExportFolder& folder_;
    std::string name_;
    std::string temp_;
    int fd_ = -1;
    int error_ = 0;
    bool committed_ = false;
};

// The temporary name a file of the folder is written under before it is
// renamed into place ("<name>.tmp-" and six characters); such names are
// never taken for finished files.
bool IsUnfinishedFileName(const std::string& name);

// For tests: runs each time a folder was opened and passed its checks, before a command
// reads or writes anything there, with the folder's path. Tests rename the
// folder and put a link at its path here, as another user could, to prove
// that the command goes on in the folder it checked. An empty function
// (the default) does nothing.
void SetFolderCheckedHook(std::function<void(const std::string& folder)> hook);

}  // namespace tablesmith
