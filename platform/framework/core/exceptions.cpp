#include "core/exceptions.h"

#include <cerrno>
#include <cstring>

#include "core/message_box.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CUserException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CArchiveException, CException)

namespace {

const char* FileCauseText(CFileException::Cause cause) {
    switch (cause) {
        case CFileException::none:
            return "No error occurred.";
        case CFileException::genericException:
            return "An unspecified error occurred.";
        case CFileException::fileNotFound:
            return "The file could not be located.";
        case CFileException::badPath:
            return "All or part of the path is invalid.";
        case CFileException::tooManyOpenFiles:
            return "Too many files are open.";
        case CFileException::accessDenied:
            return "Access to the file was denied.";
        case CFileException::invalidFile:
            return "An invalid file handle was used.";
        case CFileException::removeCurrentDir:
            return "The current working directory cannot be removed.";
        case CFileException::directoryFull:
            return "There are no more directory entries.";
        case CFileException::badSeek:
            return "The file pointer could not be set.";
        case CFileException::hardIO:
            return "A hardware error occurred.";
        case CFileException::sharingViolation:
            return "The file is in use.";
        case CFileException::lockViolation:
            return "The file is locked.";
        case CFileException::diskFull:
            return "The disk is full.";
        case CFileException::endOfFile:
            return "The end of the file was reached.";
    }
    return "An unspecified error occurred.";
}

const char* ArchiveCauseText(CArchiveException::Cause cause) {
    switch (cause) {
        case CArchiveException::none:
            return "No error occurred.";
        case CArchiveException::genericException:
            return "An unspecified archive error occurred.";
        case CArchiveException::readOnly:
            return "The archive is open for loading only.";
        case CArchiveException::endOfFile:
            return "The archive ends before the data it announces.";
        case CArchiveException::writeOnly:
            return "The archive is open for storing only.";
        case CArchiveException::badIndex:
            return "The archive holds an invalid count or index.";
        case CArchiveException::badClass:
            return "The archive holds an object of an unknown or unexpected class.";
        case CArchiveException::badSchema:
            return "The archive holds an object of an unsupported schema.";
    }
    return "An unspecified archive error occurred.";
}

std::string FileMessage(CFileException::Cause cause, int os_error, const std::string& file_name) {
    std::string message = FileCauseText(cause);
    if (!file_name.empty()) message += " File: " + file_name + ".";
    if (os_error != 0) message += std::string(" (") + std::strerror(os_error) + ")";
    return message;
}

}  // namespace

int CException::ReportError(unsigned type) const {
    return AfxMessageBox(GetErrorMessage(), type);
}

CUserException::CUserException() : CException("The operation was abandoned.") {}

CMemoryException::CMemoryException() : CException("Out of memory.") {}

CInvalidArgException::CInvalidArgException(std::string what_was_wrong)
    : CException("Invalid argument: " + std::move(what_was_wrong)) {}

CFileException::CFileException(Cause cause, int os_error, std::string file_name)
    : CException(FileMessage(cause, os_error, file_name)),
      m_cause(cause),
      m_lOsError(os_error),
      m_strFileName(std::move(file_name)) {}

CFileException::Cause CFileException::CauseFromErrno(int err) {
    switch (err) {
        case 0:
            return none;
        case ENOENT:
            return fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
            return badPath;
        case EMFILE:
        case ENFILE:
            return tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return accessDenied;
        case EBADF:
            return invalidFile;
        case EBUSY:
            return sharingViolation;
        case ENOSPC:
        case EDQUOT:
            return diskFull;
        case EIO:
            return hardIO;
        case ESPIPE:
            return badSeek;
        default:
            return genericException;
    }
}

CArchiveException::CArchiveException(Cause cause, std::string file_name, std::string detail)
    : m_cause(cause), m_strFileName(std::move(file_name)) {
    std::string message = ArchiveCauseText(cause);
    if (!detail.empty()) message += " " + detail;
    if (!m_strFileName.empty()) message += " File: " + m_strFileName + ".";
    SetMessage(std::move(message));
}

void AfxThrowUserException() {
    throw CUserException();
}

void AfxThrowMemoryException() {
    throw CMemoryException();
}

void AfxThrowFileException(CFileException::Cause cause, int os_error,
                           const std::string& file_name) {
    throw CFileException(cause, os_error, file_name);
}

void AfxThrowArchiveException(CArchiveException::Cause cause, const std::string& file_name,
                              const std::string& detail) {
    throw CArchiveException(cause, file_name, detail);
}

void AfxThrowInvalidArgException(const std::string& what_was_wrong) {
    throw CInvalidArgException(what_was_wrong);
}
