#pragma once
// The Windows Installer C API subset that the page and vxpatch use, over our own read-only
// engine, with Windows' names, argument conventions and result codes. Strings are UTF-16.
//
// Handles are 32-bit; 0 is none. Every handle is released with MsiCloseHandle. The handle table
// is safe to use from several threads; one handle should be used by one thread at a time.

#include "platform/com/vartype.h"
#include "platform/sys/win32_errors.h"

#include <cstdint>

using MSIHANDLE = uint32_t;
using UINT = uint32_t;
using INT = int32_t;
using LPCWSTR = const char16_t*;
using LPWSTR = char16_t*;
using MsiDWORD = uint32_t;

struct MsiFileTime {
    uint32_t dwLowDateTime = 0;
    uint32_t dwHighDateTime = 0;
};

// MsiOpenDatabaseW persistence modes. Only the read-only mode is accepted: the engine never
// writes a package.
inline const LPCWSTR MSIDBOPEN_READONLY = nullptr;
LPCWSTR MsiPersistMode(uintptr_t mode); // MSIDBOPEN_TRANSACT (1), DIRECT (2), CREATE (3), ...

enum MSICONDITION { MSICONDITION_FALSE = 0, MSICONDITION_TRUE = 1, MSICONDITION_NONE = 2,
                    MSICONDITION_ERROR = 3 };
enum MSICOLINFO { MSICOLINFO_NAMES = 0, MSICOLINFO_TYPES = 1 };

inline constexpr int32_t MSI_NULL_INTEGER = INT32_MIN;

// Summary information property types, as MsiSummaryInfoGetPropertyW reports them.
inline constexpr UINT VT_EMPTY_PROPERTY = vx::VT_EMPTY;
inline constexpr UINT VT_I2_PROPERTY = vx::VT_I2;
inline constexpr UINT VT_I4_PROPERTY = vx::VT_I4;
inline constexpr UINT VT_LPSTR_PROPERTY = vx::VT_LPSTR;
inline constexpr UINT VT_FILETIME_PROPERTY = vx::VT_FILETIME;

UINT MsiOpenDatabaseW(LPCWSTR databasePath, LPCWSTR persist, MSIHANDLE* database);
UINT MsiCloseHandle(MSIHANDLE handle);
UINT MsiCloseAllHandles();

UINT MsiDatabaseOpenViewW(MSIHANDLE database, LPCWSTR query, MSIHANDLE* view);
UINT MsiViewExecute(MSIHANDLE view, MSIHANDLE params);
UINT MsiViewFetch(MSIHANDLE view, MSIHANDLE* record);
UINT MsiViewClose(MSIHANDLE view);
UINT MsiViewGetColumnInfo(MSIHANDLE view, MSICOLINFO kind, MSIHANDLE* record);
UINT MsiDatabaseGetPrimaryKeysW(MSIHANDLE database, LPCWSTR table, MSIHANDLE* record);
MSICONDITION MsiDatabaseIsTablePersistentW(MSIHANDLE database, LPCWSTR table);

MSIHANDLE MsiCreateRecord(UINT fieldCount);
UINT MsiRecordSetStringW(MSIHANDLE record, UINT field, LPCWSTR value);
UINT MsiRecordSetInteger(MSIHANDLE record, UINT field, int value);
UINT MsiRecordGetStringW(MSIHANDLE record, UINT field, LPWSTR buffer, MsiDWORD* size);
int MsiRecordGetInteger(MSIHANDLE record, UINT field);
bool MsiRecordIsNull(MSIHANDLE record, UINT field);
UINT MsiRecordGetFieldCount(MSIHANDLE record);
UINT MsiRecordDataSize(MSIHANDLE record, UINT field);
UINT MsiRecordReadStream(MSIHANDLE record, UINT field, char* buffer, MsiDWORD* size);

UINT MsiGetSummaryInformationW(MSIHANDLE database, LPCWSTR databasePath, UINT updateCount,
                               MSIHANDLE* summary);
UINT MsiSummaryInfoGetPropertyW(MSIHANDLE summary, UINT property, UINT* type, INT* intValue,
                                MsiFileTime* fileTime, LPWSTR buffer, MsiDWORD* size);
UINT MsiSummaryInfoGetPropertyCount(MSIHANDLE summary, UINT* count);

MSIHANDLE MsiGetLastErrorRecord();
UINT MsiFormatRecordW(MSIHANDLE install, MSIHANDLE record, LPWSTR buffer, MsiDWORD* size);
UINT MsiGetFileVersionW(LPCWSTR path, LPWSTR versionBuffer, MsiDWORD* versionSize,
                        LPWSTR languageBuffer, MsiDWORD* languageSize);

// Not part of the Windows API: the detail of the calling thread's last failure, when the engine
// knows more than the error record says (for example where a damaged package broke). Empty
// when there is none. For command-line messages and logs.
const char16_t* MsiLastFailureDetail();
// The number of open handles, for tests that prove every handle is released.
UINT MsiOpenHandleCount();
