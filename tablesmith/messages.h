// Every text the Tablesmith commands tell the user, in one place, so that the
// dialog, the command line and the tests use the very same words. Texts with
// "%s" or "%d" are filled with FillMessage.
#pragma once

#include "message_fill.h"

namespace tablesmith {

using diag::FillMessage;

// Table export.
inline constexpr const char* kCantOpenPackage = "Can't open MSI Database in Transaction mode!";
inline constexpr const char* kExportAllFailed = "An error occured while exporting all tables!";
inline constexpr const char* kExportedAllTables = "Successfully exported all tables to\n%s";
inline constexpr const char* kExportedTable = "Successfully exported table %s to\n%s";
inline constexpr const char* kCantExportTable = "Can't export table %s!";
inline constexpr const char* kNoTempFolder = "Can't find the temporary folder!";

// The export folder (Export and Generate).
inline constexpr const char* kCantCreateFolder = "Can't create the export folder %s!\n%s";
inline constexpr const char* kCantUseFolder = "Can't use the export folder %s!\n%s";
inline constexpr const char* kFolderNotAFolder =
    "Can't use the export folder %s!\nIt is a link or a file, not a folder.";
inline constexpr const char* kFolderNotOwned =
    "Can't use the export folder %s!\nIt belongs to another user.";
inline constexpr const char* kFolderOpenToOthers =
    "Can't use the export folder %s!\nOther users may write to it.";

// Cabinet export.
inline constexpr const char* kExportedAllCabs = "Successfully exported all CABs to\n%s";
inline constexpr const char* kNoCabsInPackage = "No CAB files found in MSI package!";
inline constexpr const char* kCantReadStreams = "Can't read the streams of the MSI package!";
inline constexpr const char* kUnsafeCabName =
    "CAB stream %s was not exported: its name is not a plain file name!";
inline constexpr const char* kCantReadCab = "Can't read CAB stream %s!";
inline constexpr const char* kCantWriteCab = "Can't write CAB file %s!\n%s";
inline constexpr const char* kCabNameOfTable =
    "CAB stream %s was not exported: its file %s would take the name of table %s's file!";

// Package generation.
inline constexpr const char* kExportFirst = "Please export all tables and CAB files first!";
inline constexpr const char* kNoCabFound = "No CAB file found!";
inline constexpr const char* kCantCreatePackage = "Can't create new MSI Database!";
inline constexpr const char* kCantImportAll = "Can't import all MSI tables!";
inline constexpr const char* kCabFileMissing = "CAB file %s is not in the export folder!";
inline constexpr const char* kCantUseCab = "Can't use CAB file %s!\n%s";
// The second line of kCantUseCab.
inline constexpr const char* kCabIsLink = "It is a symbolic link.";
inline constexpr const char* kCabNotAFile = "It is not a regular file.";
inline constexpr const char* kCabUnreadable = "It cannot be read: %s";
inline constexpr const char* kCabNoHeader = "It does not begin with a cabinet header.";
inline constexpr const char* kCabCut =
    "Its header gives %s bytes, but the file holds %s: it is not a whole cabinet.";
inline constexpr const char* kCantImportTable = "Can't import table %s from %s:\n%s";
inline constexpr const char* kNothingGenerated = "No new MSI file was generated.";
inline constexpr const char* kCantReadSourceSummary = "Can't read the summary info of %s!";
inline constexpr const char* kCantWriteSummary = "can't write new summary info!";
inline constexpr const char* kCantSavePackage = "Can't save new MSI Database %s!";
inline constexpr const char* kGenerated = "Generated new MSI File!\n(%s)";

// File extraction. A failed file names its key, where its bytes were to come
// from, and why.
inline constexpr const char* kFileNotExtracted = "File %s was not extracted from %s: %s";
inline constexpr const char* kPathClash =
    "Files %s and %s would land on one path; the second is written as %s";
inline constexpr const char* kFilesExtracted = "Extracted %s files to\n%s";
inline constexpr const char* kFilesFailed = "Extracted %s files to %s; %s files failed!";
inline constexpr const char* kCantReadFiles = "Can't read the package's file tables: %s";

// Describing a package or a transform (info, dump, the tables of a transform).
inline constexpr const char* kCantReadFile = "Can't read %s!";
inline constexpr const char* kCantReadTransform = "Can't read the transform %s!";
inline constexpr const char* kCantReadSummary = "Can't read the summary information of %s!";
inline constexpr const char* kCantReadTable = "Can't read table %s!";
inline constexpr const char* kCantWriteTableFile = "Can't write the file of table %s!\n%s";

// The browse step's count label.
inline constexpr const char* kTableCount = "%d Tables";

}  // namespace tablesmith
