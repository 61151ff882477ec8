// The installer's database interface as this engine offers it: databases,
// views, records, summary information, text archives and transforms.
//
// Conventions shared by every call here:
// - A handle that is not open, or that names an object of another kind,
//   gives ERROR_INVALID_HANDLE.
// - String getters take a buffer and an in/out size in CHAR units. On return
//   the size holds the length without the terminator; when the buffer is too
//   small, as much as fits is written (terminated) and ERROR_MORE_DATA returned.
// - Record fields count from 1; field 0 is a free extra field.
//
// The SQL of MsiDatabaseOpenViewA is the installer's dialect:
//   SELECT [DISTINCT] columns FROM table {, table} [WHERE condition] [ORDER BY columns]
//   INSERT INTO table (columns) VALUES (values) [TEMPORARY]
//   UPDATE table SET column = value {, column = value} [WHERE condition]
//   DELETE FROM table [WHERE condition]
//   CREATE TABLE table (column type [NOT NULL] [TEMPORARY] [LOCALIZABLE] {, ...}
//                PRIMARY KEY column {, column}) [HOLD]
//   DROP TABLE table          ALTER TABLE table (HOLD | FREE | ADD column type [HOLD])
// Keywords ignore case; names do not, and a name that is a keyword or holds a
// space is written between back quotes. A string stands between single quotes
// and cannot hold one (pass such text as a `?` parameter, which takes the
// next field of the record given to MsiViewExecute). A condition compares a
// column with a value or a column (=, <>, <, >, <=, >=; strings only with =
// and <>), tests IS [NOT] NULL, and joins these with AND, which binds
// tighter, and OR. A query outside the dialect gives ERROR_BAD_QUERY_SYNTAX,
// and so does a CREATE TABLE or ALTER TABLE ADD that would make a table of
// more than 32 columns (the installer's limit).
// The whole grammar is in platform/msi/src/sql/README.md.
//
// Threads: handles are process-wide and may be passed between threads, and
// opening and closing them is safe from any thread. The objects behind them
// are not: a database and every view, record and summary object opened from
// it are used by one thread at a time. MsiGetLastErrorRecord answers for the
// calling thread.
#pragma once

#include "msi.h"

#ifndef ERROR_INVALID_DATATYPE
#define ERROR_INVALID_DATATYPE 1804
#endif

// The persist argument of MsiOpenDatabaseA is either one of these small values
// or, when it is 0x10000 or above, the path of an output database: the source
// is then opened read-only and a commit writes the output file.
#define MSIDBOPEN_READONLY ((LPCSTR)0)
#define MSIDBOPEN_TRANSACT ((LPCSTR)1)
#define MSIDBOPEN_DIRECT ((LPCSTR)2)
#define MSIDBOPEN_CREATE ((LPCSTR)3)
#define MSIDBOPEN_CREATEDIRECT ((LPCSTR)4)
// OR-ed into a mode (as an integer) to open a patch (.msp) file.
#define MSIDBOPEN_PATCHFILE 32
// True when a persist argument is a mode rather than an output path.
#define MSI_IS_INTMSIDBOPEN(p) (((uintptr_t)(p)) < 0x10000)

typedef enum tagMSIDBSTATE {
    MSIDBSTATE_ERROR = -1,
    MSIDBSTATE_READ = 0,
    MSIDBSTATE_WRITE = 1,
} MSIDBSTATE;

typedef enum tagMSIMODIFY {
    MSIMODIFY_SEEK = -1,
    MSIMODIFY_REFRESH = 0,
    MSIMODIFY_INSERT = 1,
    MSIMODIFY_UPDATE = 2,
    MSIMODIFY_ASSIGN = 3,
    MSIMODIFY_REPLACE = 4,
    MSIMODIFY_MERGE = 5,
    MSIMODIFY_DELETE = 6,
    MSIMODIFY_INSERT_TEMPORARY = 7,
    MSIMODIFY_VALIDATE = 8,
    MSIMODIFY_VALIDATE_NEW = 9,
    MSIMODIFY_VALIDATE_FIELD = 10,
    MSIMODIFY_VALIDATE_DELETE = 11,
} MSIMODIFY;

typedef enum tagMSICOLINFO {
    MSICOLINFO_NAMES = 0,
    MSICOLINFO_TYPES = 1,
} MSICOLINFO;

typedef enum tagMSICONDITION {
    MSICONDITION_FALSE = 0,
    MSICONDITION_TRUE = 1,
    MSICONDITION_NONE = 2,
    MSICONDITION_ERROR = 3,
} MSICONDITION;

typedef enum tagMSIDBERROR {
    MSIDBERROR_INVALIDARG = -3,
    MSIDBERROR_MOREDATA = -2,
    MSIDBERROR_FUNCTIONERROR = -1,
    MSIDBERROR_NOERROR = 0,
    MSIDBERROR_DUPLICATEKEY = 1,
    MSIDBERROR_REQUIRED = 2,
    MSIDBERROR_BADLINK = 3,
    MSIDBERROR_OVERFLOW = 4,
    MSIDBERROR_UNDERFLOW = 5,
    MSIDBERROR_NOTINSET = 6,
    MSIDBERROR_BADVERSION = 7,
    MSIDBERROR_BADCASE = 8,
    MSIDBERROR_BADGUID = 9,
    MSIDBERROR_BADWILDCARD = 10,
    MSIDBERROR_BADIDENTIFIER = 11,
    MSIDBERROR_BADLANGUAGE = 12,
    MSIDBERROR_BADFILENAME = 13,
    MSIDBERROR_BADPATH = 14,
    MSIDBERROR_BADCONDITION = 15,
    MSIDBERROR_BADFORMATTED = 16,
    MSIDBERROR_BADTEMPLATE = 17,
    MSIDBERROR_BADDEFAULTDIR = 18,
    MSIDBERROR_BADREGPATH = 19,
    MSIDBERROR_BADCUSTOMSOURCE = 20,
    MSIDBERROR_BADPROPERTY = 21,
    MSIDBERROR_MISSINGDATA = 22,
    MSIDBERROR_BADCATEGORY = 23,
    MSIDBERROR_BADKEYTABLE = 24,
    MSIDBERROR_BADMAXMINVALUES = 25,
    MSIDBERROR_BADCABINET = 26,
    MSIDBERROR_BADSHORTCUT = 27,
    MSIDBERROR_STRINGOVERFLOW = 28,
    MSIDBERROR_BADLOCALIZEATTRIB = 29,
} MSIDBERROR;

// Error conditions of MsiDatabaseApplyTransformA (bits to suppress) and of
// MsiCreateTransformSummaryInfoA; VIEWTRANSFORM lists changes instead.
#define MSITRANSFORM_ERROR_ADDEXISTINGROW 0x0001
#define MSITRANSFORM_ERROR_DELMISSINGROW 0x0002
#define MSITRANSFORM_ERROR_ADDEXISTINGTABLE 0x0004
#define MSITRANSFORM_ERROR_DELMISSINGTABLE 0x0008
#define MSITRANSFORM_ERROR_UPDATEMISSINGROW 0x0010
#define MSITRANSFORM_ERROR_CHANGECODEPAGE 0x0020
#define MSITRANSFORM_ERROR_VIEWTRANSFORM 0x0100
#define MSITRANSFORM_ERROR_NONE 0x0000

// Validation conditions of a transform (high word of its PID_CHARCOUNT).
#define MSITRANSFORM_VALIDATE_LANGUAGE 0x0001
#define MSITRANSFORM_VALIDATE_PRODUCT 0x0002
#define MSITRANSFORM_VALIDATE_PLATFORM 0x0004
#define MSITRANSFORM_VALIDATE_MAJORVERSION 0x0008
#define MSITRANSFORM_VALIDATE_MINORVERSION 0x0010
#define MSITRANSFORM_VALIDATE_UPDATEVERSION 0x0020
#define MSITRANSFORM_VALIDATE_NEWLESSBASEVERSION 0x0040
#define MSITRANSFORM_VALIDATE_NEWLESSEQUALBASEVERSION 0x0080
#define MSITRANSFORM_VALIDATE_NEWEQUALBASEVERSION 0x0100
#define MSITRANSFORM_VALIDATE_NEWGREATEREQUALBASEVERSION 0x0200
#define MSITRANSFORM_VALIDATE_NEWGREATERBASEVERSION 0x0400
#define MSITRANSFORM_VALIDATE_UPGRADECODE 0x0800

#ifdef __cplusplus
extern "C" {
#endif

// --- Databases ---------------------------------------------------------------

// Opens szDatabasePath in the mode or to the output path given by szPersist.
// A create mode or an output path makes its file at once; the file is removed
// again when the database closes without a commit having written it.
UINT MsiOpenDatabaseA(LPCSTR szDatabasePath, LPCSTR szPersist, MSIHANDLE* phDatabase);
// Writes every persistent change to the file; no effect on a read-only database.
UINT MsiDatabaseCommit(MSIHANDLE hDatabase);
// MSIDBSTATE_WRITE when the database may be changed, MSIDBSTATE_READ when it
// was opened read-only, MSIDBSTATE_ERROR for a bad handle.
MSIDBSTATE MsiGetDatabaseState(MSIHANDLE hDatabase);
// A record whose field 0 is the table name and fields 1..n the key columns.
UINT MsiDatabaseGetPrimaryKeysA(MSIHANDLE hDatabase, LPCSTR szTableName, MSIHANDLE* phRecord);
// TRUE for a table kept in the file, FALSE for a temporary one, NONE when the
// table does not exist and for _Tables, _Columns, _Streams and _Storages,
// ERROR for a bad handle or a NULL name.
MSICONDITION MsiDatabaseIsTablePersistentA(MSIHANDLE hDatabase, LPCSTR szTableName);

// --- Views -------------------------------------------------------------------

// Prepares a query (see the SQL above) as a view; nothing runs until
// MsiViewExecute. ERROR_BAD_QUERY_SYNTAX for a query that is not accepted.
UINT MsiDatabaseOpenViewA(MSIHANDLE hDatabase, LPCSTR szQuery, MSIHANDLE* phView);
// Runs the query; hRecord (or 0) supplies the values of its `?` parameters.
// ERROR_BAD_QUERY_SYNTAX when a schema statement does not fit the database
// (a table made twice, a column added twice, a table freed away).
UINT MsiViewExecute(MSIHANDLE hView, MSIHANDLE hRecord);
// The next row as a new record (field 0 holds 1); ERROR_NO_MORE_ITEMS after
// the last one; ERROR_INVALID_PARAMETER without phRecord, before the handle.
UINT MsiViewFetch(MSIHANDLE hView, MSIHANDLE* phRecord);
// Applies one change through the view: hRecord is a record fetched from it
// (or, for the inserting modes, one with a field per column of the view;
// a nullable column the view leaves out, a key column too, is made null).
// ERROR_ACCESS_DENIED when the view or the database does not allow the
// change, ERROR_INVALID_DATA for a record that does not fit or a failed
// validation, whose findings MsiViewGetErrorA then hands out,
// ERROR_FUNCTION_FAILED for a change the view cannot make (a key column
// changed, a join, a duplicate key), ERROR_CALL_NOT_IMPLEMENTED for a
// validation that needs a check this engine does not have.
UINT MsiViewModify(MSIHANDLE hView, MSIMODIFY eModifyMode, MSIHANDLE hRecord);
// A new record with one field per column of the view: the column names, or
// their types in archive notation ("s72", "I2", "v0"...).
UINT MsiViewGetColumnInfo(MSIHANDLE hView, MSICOLINFO eColumnInfo, MSIHANDLE* phRecord);
// Ends the execution; the view may be executed again.
UINT MsiViewClose(MSIHANDLE hView);
// The findings of the last validating MsiViewModify, one per call in column
// order: the MSIDBERROR value and its column; then MSIDBERROR_NOERROR with an
// empty name (size 0, whatever the buffer), after which they start over.
// MSIDBERROR_MOREDATA (buffer too small) gives the size needed and keeps the
// finding for the next call.
MSIDBERROR MsiViewGetErrorA(MSIHANDLE hView, LPSTR szColumnNameBuffer, DWORD* pcchBuf);

// --- Records -----------------------------------------------------------------

// A record with fields 0..cParams, all null; 0 when cParams exceeds 65535.
MSIHANDLE MsiCreateRecord(UINT cParams);
// The number of fields (without field 0); (UINT)-1 for a bad handle.
UINT MsiRecordGetFieldCount(MSIHANDLE hRecord);
// TRUE for a null field and a field beyond the record's last; FALSE for a bad
// handle, as the installer answers.
BOOL MsiRecordIsNull(MSIHANDLE hRecord, UINT iField);
// Bytes of a string or stream field, 4 for an integer, 0 for null.
UINT MsiRecordDataSize(MSIHANDLE hRecord, UINT iField);
// MSI_NULL_INTEGER sets the field to null.
UINT MsiRecordSetInteger(MSIHANDLE hRecord, UINT iField, int iValue);
// NULL or "" sets the field to null.
UINT MsiRecordSetStringA(MSIHANDLE hRecord, UINT iField, LPCSTR szValue);
// A string field of an optional '-' and digits reads as that number, wrapped
// to 32 bits; MSI_NULL_INTEGER for null, for a field that is not a number
// ('+1', ' 1'), for a bad handle.
int MsiRecordGetInteger(MSIHANDLE hRecord, UINT iField);
// An integer field reads as its decimal text, a null field as "".
UINT MsiRecordGetStringA(MSIHANDLE hRecord, UINT iField, LPSTR szValueBuf, DWORD* pcchValueBuf);
// Sets a stream field from a file's bytes; a NULL path rewinds the field's
// stream. Field 0 takes no stream (ERROR_INVALID_PARAMETER).
UINT MsiRecordSetStreamA(MSIHANDLE hRecord, UINT iField, LPCSTR szFilePath);
// Reads the next bytes of a stream field; without a buffer, its total size.
UINT MsiRecordReadStream(MSIHANDLE hRecord, UINT iField, char* szDataBuf, DWORD* pcbDataBuf);
// Sets every field, field 0 included, to null.
UINT MsiRecordClearData(MSIHANDLE hRecord);

// The record describing the last error of this thread, or 0.
MSIHANDLE MsiGetLastErrorRecord(void);

// --- Summary information -----------------------------------------------------

// By database handle or (hDatabase 0) by path; uiUpdateCount is how many new
// properties may be added before persisting, and 0 makes the object
// read-only. An empty path is ERROR_INSTALL_PACKAGE_OPEN_FAILED.
UINT MsiGetSummaryInformationA(MSIHANDLE hDatabase, LPCSTR szDatabasePath, UINT uiUpdateCount,
                               MSIHANDLE* phSummaryInfo);
// How many properties hold a value; a NULL count only checks the handle.
UINT MsiSummaryInfoGetPropertyCount(MSIHANDLE hSummaryInfo, UINT* puiPropertyCount);
// The property's type (VT_EMPTY when it holds no value) and its value in the
// argument of that type; text follows the string-getter convention above.
// ERROR_UNKNOWN_PROPERTY for an id beyond the summary's properties.
UINT MsiSummaryInfoGetPropertyA(MSIHANDLE hSummaryInfo, UINT uiProperty, UINT* puiDataType,
                                INT* piValue, FILETIME* pftValue, LPSTR szValueBuf,
                                DWORD* pcchValueBuf);
// Sets a property from the argument of uiDataType, which must be the
// property's one type (ERROR_DATATYPE_MISMATCH otherwise). Held in the object
// until MsiSummaryInfoPersist.
UINT MsiSummaryInfoSetPropertyA(MSIHANDLE hSummaryInfo, UINT uiProperty, UINT uiDataType,
                                INT iValue, FILETIME* pftValue, LPCSTR szValue);
// Writes the properties into the database, to reach the file with the next
// commit; an object opened by path commits its own database at once.
UINT MsiSummaryInfoPersist(MSIHANDLE hSummaryInfo);

// --- Text archives and transforms --------------------------------------------

// Writes one table (or "_SummaryInformation", "_ForceCodepage") as the text
// archive szFolderPath/szFileName. ERROR_BAD_QUERY_SYNTAX for a table the
// database does not have, ERROR_BAD_PATHNAME for a folder that does not exist
// or a file name that is not a plain name.
UINT MsiDatabaseExportA(MSIHANDLE hDatabase, LPCSTR szTableName, LPCSTR szFolderPath,
                        LPCSTR szFileName);
// Reads the text archive szFolderPath/szFileName into the database: the
// table is created, or replaced whole by the archive's; nothing changes
// unless the whole file reads cleanly.
UINT MsiDatabaseImportA(MSIHANDLE hDatabase, LPCSTR szFolderPath, LPCSTR szFileName);
// Applies a transform file; iErrorConditions are MSITRANSFORM_ERROR_* bits of
// conflicts to pass over, and with MSITRANSFORM_ERROR_VIEWTRANSFORM the
// changes are listed in the temporary table _TransformView instead of made;
// the view shows the transform's text as it is, also text the database's
// code page has no form for, which an apply refuses to store.
// ERROR_OPEN_FAILED when the file cannot be read, ERROR_INSTALL_TRANSFORM_FAILURE
// when it does not apply.
UINT MsiDatabaseApplyTransformA(MSIHANDLE hDatabase, LPCSTR szTransformFile, int iErrorConditions);
// Writes the transform that turns hDatabaseReference into hDatabase. With
// szTransformFile NULL it only compares; ERROR_NO_DATA when nothing differs;
// ERROR_INSTALL_TRANSFORM_FAILURE when a difference has no transform form (a
// column removed or retyped, a table of more than 32 columns to carry).
UINT MsiDatabaseGenerateTransformA(MSIHANDLE hDatabase, MSIHANDLE hDatabaseReference,
                                   LPCSTR szTransformFile, int iReserved1, int iReserved2);
// Adds the summary information of a transform generated between the two
// databases to szTransformFile: the conditions under which it applies.
UINT MsiCreateTransformSummaryInfoA(MSIHANDLE hDatabase, MSIHANDLE hDatabaseReference,
                                    LPCSTR szTransformFile, int iErrorConditions, int iValidation);

#ifdef __cplusplus
}
#endif
