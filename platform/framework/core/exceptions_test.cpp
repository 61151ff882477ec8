#include "core/exceptions.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(ExceptionsTest, ThrowHelpersThrowTheFrameworkTypes) {
    EXPECT_THROW(AfxThrowUserException(), CUserException);
    EXPECT_THROW(AfxThrowMemoryException(), CMemoryException);
    EXPECT_THROW(AfxThrowFileException(CFileException::diskFull), CFileException);
    EXPECT_THROW(AfxThrowArchiveException(CArchiveException::badSchema), CArchiveException);
}

TEST(ExceptionsTest, AllAreCaughtAsCExceptionAndStdException) {
    try {
        AfxThrowUserException();
    } catch (const CException& e) {
        EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(CUserException)));
        EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(CException)));
        EXPECT_FALSE(e.IsKindOf(RUNTIME_CLASS(CFileException)));
    }
    try {
        AfxThrowMemoryException();
    } catch (const std::exception& e) {
        EXPECT_STREQ("Out of memory.", e.what());
    }
}

TEST(ExceptionsTest, FileExceptionKeepsCauseFileAndSystemError) {
    try {
        AfxThrowFileException(CFileException::fileNotFound, ENOENT, "/x/pkg.msi");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
        EXPECT_EQ(ENOENT, e.m_lOsError);
        EXPECT_EQ("/x/pkg.msi", e.m_strFileName);
        EXPECT_EQ("The file could not be located. File: /x/pkg.msi. (No such file or directory)",
                  e.GetErrorMessage());
    }
}

TEST(ExceptionsTest, ErrnoValuesMapToFileCauses) {
    EXPECT_EQ(CFileException::fileNotFound, CFileException::CauseFromErrno(ENOENT));
    EXPECT_EQ(CFileException::accessDenied, CFileException::CauseFromErrno(EACCES));
    EXPECT_EQ(CFileException::diskFull, CFileException::CauseFromErrno(ENOSPC));
    EXPECT_EQ(CFileException::badPath, CFileException::CauseFromErrno(ENOTDIR));
    EXPECT_EQ(CFileException::genericException, CFileException::CauseFromErrno(EINVAL));
}

TEST(ExceptionsTest, ArchiveExceptionTextNamesCauseAndDetail) {
    CArchiveException e(CArchiveException::badClass, "a.bin", "Unknown class X.");
    EXPECT_EQ(
        "The archive holds an object of an unknown or unexpected class. Unknown class X. File: "
        "a.bin.",
        std::string(e.what()));
}

}  // namespace
