// The framework's exceptions. They are ordinary C++ exception types, thrown by
// value and caught by reference (catch (const CFileException& e)); each is a
// CObject with a run-time class and a std::exception whose what() is the text
// that GetErrorMessage gives.
#pragma once

#include <exception>
#include <string>

#include "core/object.h"

class CException : public CObject, public std::exception {
    DECLARE_DYNAMIC(CException)
  public:
    CException() = default;
    const char* what() const noexcept override { return message_.c_str(); }
    // The text a user would be shown for this exception.
    virtual std::string GetErrorMessage() const { return message_; }
    // Shows GetErrorMessage() through AfxMessageBox; returns its answer.
    int ReportError(unsigned type = 0x30) const;

  protected:
    explicit CException(std::string message) : message_(std::move(message)) {}
    void SetMessage(std::string message) { message_ = std::move(message); }

  private:
    std::string message_;
};

// Abandons the current operation after the user has been told (the report
// operations raise it when asked to); it carries no text of its own.
class CUserException : public CException {
    DECLARE_DYNAMIC(CUserException)
  public:
    CUserException();
};

class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
  public:
    CMemoryException();
};

// A caller broke a precondition of a framework container (an index out of
// range, a null POSITION, the head of an empty list). Throwing keeps such a
// mistake from reading or writing memory it does not own.
class CInvalidArgException : public CException {
    DECLARE_DYNAMIC(CInvalidArgException)
  public:
    explicit CInvalidArgException(std::string what_was_wrong);
};

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
  public:
    enum Cause {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    // os_error is the errno value behind the failure (0 when there was none).
    explicit CFileException(Cause cause = none, int os_error = 0, std::string file_name = {});

    // The cause that fits an errno value (ENOENT -> fileNotFound ...).
    static Cause CauseFromErrno(int err);

    Cause m_cause;
    int m_lOsError;
    std::string m_strFileName;
};

class CArchiveException : public CException {
    DECLARE_DYNAMIC(CArchiveException)
  public:
    enum Cause {
        none,
        genericException,
        readOnly,
        endOfFile,
        writeOnly,
        badIndex,
        badClass,
        badSchema,
    };

    explicit CArchiveException(Cause cause = none, std::string file_name = {},
                               std::string detail = {});

    Cause m_cause;
    std::string m_strFileName;
};

[[noreturn]] void AfxThrowUserException();
[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowFileException(CFileException::Cause cause, int os_error = 0,
                                        const std::string& file_name = {});
[[noreturn]] void AfxThrowArchiveException(CArchiveException::Cause cause,
                                           const std::string& file_name = {},
                                           const std::string& detail = {});
[[noreturn]] void AfxThrowInvalidArgException(const std::string& what_was_wrong);
