#include "platform/msi/msi_api.h"

#include "platform/msi/engine/handle_table.h"
#include "platform/msi/engine/installer_errors.h"
#include "platform/msi/file_version.h"
#include "platform/msi/format_record.h"
#include "platform/sys/format_string.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

using namespace vx;
using namespace vx::msi;

namespace {

thread_local std::optional<Record> t_lastError;
thread_local std::u16string t_lastDetail;
// Whether either of the above holds something. Every entry point clears them on entry except
// MsiGetLastErrorRecord, MsiLastFailureDetail and the handle-closing calls, so that a caller
// can still close handles between a failure and reading its record; most calls find nothing.
thread_local bool t_hasLastError = false;

void ClearLastError() {
    if (t_hasLastError) {
        t_lastError.reset();
        t_lastDetail.clear();
        t_hasLastError = false;
    }
}

UINT Fail(const MsiFailure& failure) {
    t_hasLastError = true;
    t_lastError.reset();
    if (failure.installerError != 0) {
        Record record(static_cast<uint32_t>(failure.fields.size() + 1));
        record.Field(1) = static_cast<int32_t>(failure.installerError);
        for (size_t i = 0; i < failure.fields.size(); ++i) {
            record.Field(static_cast<uint32_t>(i + 2)) = failure.fields[i];
        }
        t_lastError = std::move(record);
    }
    t_lastDetail = failure.detail;
    return failure.code;
}

// Runs the body of an entry point that answers a result code: clears the last error, turns
// engine failures into result codes, and lets no exception out of the C interface.
template <class Body> UINT Guarded(Body&& body) {
    ClearLastError();
    try {
        return body();
    } catch (const MsiFailure& failure) {
        return Fail(failure);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_FUNCTION_FAILED;
    }
}

// The same for an entry point that answers a value (a handle, a count, an integer, a flag):
// `failed` is its answer when the body raises.
template <class Result, class Body> Result GuardedValue(Result failed, Body&& body) {
    ClearLastError();
    try {
        return body();
    } catch (const MsiFailure& failure) {
        Fail(failure);
        return failed;
    } catch (...) {
        return failed;
    }
}

// Copies text into a caller's buffer with the installer's conventions: the size in and out is
// in characters without the terminating zero; a buffer too small receives what fits and
// ERROR_MORE_DATA.
UINT CopyOut(std::u16string_view text, LPWSTR buffer, MsiDWORD* size) {
    if (!size) {
        return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }
    const MsiDWORD room = *size;
    *size = static_cast<MsiDWORD>(text.size());
    if (!buffer) {
        return ERROR_SUCCESS;
    }
    if (room <= text.size()) {
        if (room > 0) {
            std::copy_n(text.data(), room - 1, buffer);
            buffer[room - 1] = 0;
        }
        return ERROR_MORE_DATA;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
    return ERROR_SUCCESS;
}

template <class T> LockedHandle<T> Lock(MSIHANDLE handle) {
    return HandleTable::Instance().Lock<T>(handle);
}

std::u16string ToString(LPCWSTR text) {
    return text ? std::u16string(text) : std::u16string();
}

} // namespace

LPCWSTR MsiPersistMode(uintptr_t mode) {
    return reinterpret_cast<LPCWSTR>(mode);
}

UINT MsiOpenDatabaseW(LPCWSTR databasePath, LPCWSTR persist, MSIHANDLE* database) {
    return Guarded([&]() -> UINT {
        if (!databasePath || !database) {
            return ERROR_INVALID_PARAMETER;
        }
        *database = 0;
        if (persist != MSIDBOPEN_READONLY) {
            ThrowMsiFailure(ERROR_INVALID_PARAMETER, 0, {},
                            u"packages are opened read-only; no other mode is supported");
        }
        auto db = OpenDatabase(databasePath);
        *database = HandleTable::Instance().Add(std::move(db));
        return *database ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
    });
}

UINT MsiCloseHandle(MSIHANDLE handle) {
    if (handle == 0) {
        return ERROR_SUCCESS;
    }
    return HandleTable::Instance().Remove(handle) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

UINT MsiCloseAllHandles() {
    return static_cast<UINT>(HandleTable::Instance().RemoveAll());
}

UINT MsiOpenHandleCount() {
    return static_cast<UINT>(HandleTable::Instance().Count());
}

UINT MsiDatabaseOpenViewW(MSIHANDLE database, LPCWSTR query, MSIHANDLE* view) {
    return Guarded([&]() -> UINT {
        if (!query || !view) {
            return ERROR_INVALID_PARAMETER;
        }
        *view = 0;
        std::shared_ptr<Database> db;
        if (auto locked = Lock<std::shared_ptr<Database>>(database)) {
            db = *locked.object;
        } else {
            return ERROR_INVALID_HANDLE;
        }
        auto opened = std::make_unique<View>(std::move(db), query);
        *view = HandleTable::Instance().Add(std::move(opened));
        return *view ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
    });
}

UINT MsiViewExecute(MSIHANDLE view, MSIHANDLE params) {
    return Guarded([&]() -> UINT {
        auto locked = Lock<std::unique_ptr<View>>(view);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        if (params == 0) {
            (*locked.object)->Execute(nullptr);
            return ERROR_SUCCESS;
        }
        if (params == view) {
            return ERROR_INVALID_HANDLE; // a view is no record; its entry is already locked
        }
        auto record = Lock<Record>(params);
        if (!record) {
            return ERROR_INVALID_HANDLE;
        }
        (*locked.object)->Execute(record.object);
        return ERROR_SUCCESS;
    });
}

UINT MsiViewFetch(MSIHANDLE view, MSIHANDLE* record) {
    return Guarded([&]() -> UINT {
        if (!record) {
            return ERROR_INVALID_PARAMETER;
        }
        *record = 0;
        auto locked = Lock<std::unique_ptr<View>>(view);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        auto row = (*locked.object)->Fetch();
        if (!row) {
            return ERROR_NO_MORE_ITEMS;
        }
        *record = HandleTable::Instance().Add(std::move(*row));
        return *record ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
    });
}

UINT MsiViewClose(MSIHANDLE view) {
    return Guarded([&]() -> UINT {
        auto locked = Lock<std::unique_ptr<View>>(view);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        (*locked.object)->Close();
        return ERROR_SUCCESS;
    });
}

UINT MsiViewGetColumnInfo(MSIHANDLE view, MSICOLINFO kind, MSIHANDLE* record) {
    return Guarded([&]() -> UINT {
        if (!record) {
            return ERROR_INVALID_PARAMETER;
        }
        *record = 0;
        if (kind != MSICOLINFO_NAMES && kind != MSICOLINFO_TYPES) {
            return ERROR_INVALID_PARAMETER;
        }
        auto locked = Lock<std::unique_ptr<View>>(view);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        const auto& columns = (*locked.object)->Columns();
        Record info(static_cast<uint32_t>(columns.size()));
        for (uint32_t i = 0; i < columns.size(); ++i) {
            info.Field(i + 1) =
                kind == MSICOLINFO_NAMES ? columns[i].name : View::ColumnTypeText(columns[i]);
        }
        *record = HandleTable::Instance().Add(std::move(info));
        return ERROR_SUCCESS;
    });
}

UINT MsiDatabaseGetPrimaryKeysW(MSIHANDLE database, LPCWSTR table, MSIHANDLE* record) {
    return Guarded([&]() -> UINT {
        if (!table || !record) {
            return ERROR_INVALID_PARAMETER;
        }
        *record = 0;
        auto locked = Lock<std::shared_ptr<Database>>(database);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        const Database& db = **locked.object;
        const TableInfo* info = db.Storage().FindTable(table);
        if (!info) {
            ThrowMsiFailure(ERROR_INVALID_TABLE, 0, {},
                            u"the package has no table '" + ToString(table) + u"'");
        }
        std::vector<std::u16string> keys;
        for (const auto& c : info->columns) {
            if (c.IsKey()) {
                keys.push_back(c.name);
            }
        }
        Record out(static_cast<uint32_t>(keys.size()));
        out.Field(0) = info->name;
        for (uint32_t i = 0; i < keys.size(); ++i) {
            out.Field(i + 1) = keys[i];
        }
        *record = HandleTable::Instance().Add(std::move(out));
        return ERROR_SUCCESS;
    });
}

MSICONDITION MsiDatabaseIsTablePersistentW(MSIHANDLE database, LPCWSTR table) {
    return GuardedValue(MSICONDITION_ERROR, [&]() -> MSICONDITION {
        if (!table) {
            return MSICONDITION_ERROR;
        }
        auto locked = Lock<std::shared_ptr<Database>>(database);
        if (!locked) {
            return MSICONDITION_ERROR;
        }
        const TableInfo* info = (*locked.object)->Storage().FindTable(table);
        if (!info) {
            return MSICONDITION_NONE;
        }
        return info->persistent ? MSICONDITION_TRUE : MSICONDITION_FALSE;
    });
}

MSIHANDLE MsiCreateRecord(UINT fieldCount) {
    return GuardedValue(MSIHANDLE{0}, [&]() -> MSIHANDLE {
        // The installer caps records at 65,535 fields.
        if (fieldCount > 65535) {
            return 0;
        }
        return HandleTable::Instance().Add(Record(fieldCount));
    });
}

UINT MsiRecordSetStringW(MSIHANDLE record, UINT field, LPCWSTR value) {
    return Guarded([&]() -> UINT {
        auto locked = Lock<Record>(record);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        if (!locked->HasField(field)) {
            return ERROR_INVALID_PARAMETER;
        }
        if (!value || !*value) {
            locked->Field(field) = std::monostate{};
        } else {
            locked->Field(field) = std::u16string(value);
        }
        return ERROR_SUCCESS;
    });
}

UINT MsiRecordSetInteger(MSIHANDLE record, UINT field, int value) {
    return Guarded([&]() -> UINT {
        auto locked = Lock<Record>(record);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        if (!locked->HasField(field)) {
            return ERROR_INVALID_PARAMETER;
        }
        if (value == MSI_NULL_INTEGER) {
            locked->Field(field) = std::monostate{};
        } else {
            locked->Field(field) = static_cast<int32_t>(value);
        }
        return ERROR_SUCCESS;
    });
}

UINT MsiRecordGetStringW(MSIHANDLE record, UINT field, LPWSTR buffer, MsiDWORD* size) {
    return Guarded([&]() -> UINT {
        auto locked = Lock<Record>(record);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        if (locked->HasField(field) && std::holds_alternative<StreamBox>(locked->Field(field))) {
            return ERROR_INVALID_DATATYPE;
        }
        if (const auto text = locked->TextView(field)) {
            return CopyOut(*text, buffer, size);
        }
        return CopyOut(locked->Text(field), buffer, size);
    });
}

int MsiRecordGetInteger(MSIHANDLE record, UINT field) {
    return GuardedValue(MSI_NULL_INTEGER, [&]() -> int {
        auto locked = Lock<Record>(record);
        return locked ? locked->Integer(field) : MSI_NULL_INTEGER;
    });
}

bool MsiRecordIsNull(MSIHANDLE record, UINT field) {
    return GuardedValue(true, [&]() -> bool {
        auto locked = Lock<Record>(record);
        return !locked || locked->IsNull(field);
    });
}

UINT MsiRecordGetFieldCount(MSIHANDLE record) {
    return GuardedValue(static_cast<UINT>(-1), [&]() -> UINT {
        auto locked = Lock<Record>(record);
        return locked ? locked->FieldCount() : static_cast<UINT>(-1);
    });
}

UINT MsiRecordDataSize(MSIHANDLE record, UINT field) {
    return GuardedValue(UINT{0}, [&]() -> UINT {
        auto locked = Lock<Record>(record);
        if (!locked || !locked->HasField(field)) {
            return 0;
        }
        const FieldValue& v = locked->Field(field);
        if (std::holds_alternative<int32_t>(v)) {
            return sizeof(int32_t);
        }
        if (const auto text = locked->TextView(field)) {
            return static_cast<UINT>(text->size());
        }
        if (auto* stream = std::get_if<StreamBox>(&locked->Field(field))) {
            return static_cast<UINT>(std::min<size_t>((*stream)->Bytes().size(), UINT32_MAX));
        }
        return 0;
    });
}

UINT MsiRecordReadStream(MSIHANDLE record, UINT field, char* buffer, MsiDWORD* size) {
    return Guarded([&]() -> UINT {
        if (!size) {
            return ERROR_INVALID_PARAMETER;
        }
        auto locked = Lock<Record>(record);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        if (!locked->HasField(field)) {
            return ERROR_INVALID_PARAMETER;
        }
        FieldValue& v = locked->Field(field);
        if (std::holds_alternative<std::monostate>(v)) {
            *size = 0;
            return ERROR_SUCCESS;
        }
        auto* box = std::get_if<StreamBox>(&v);
        if (!box) {
            return ERROR_INVALID_DATATYPE;
        }
        StreamField* stream = box->operator->();
        // The stream's bytes are read from the package on first use: a damaged stream fails
        // here, with the installer's error for it.
        const std::vector<uint8_t>& bytes = stream->Bytes();
        const size_t left = bytes.size() - stream->position;
        if (!buffer) {
            *size = static_cast<MsiDWORD>(std::min<size_t>(left, UINT32_MAX));
            return ERROR_SUCCESS;
        }
        const size_t count = std::min<size_t>(left, *size);
        if (count != 0) { // an empty stream may hold no buffer at all
            std::memcpy(buffer, bytes.data() + stream->position, count);
        }
        stream->position += count;
        *size = static_cast<MsiDWORD>(count);
        return ERROR_SUCCESS;
    });
}

UINT MsiGetSummaryInformationW(MSIHANDLE database, LPCWSTR databasePath, UINT updateCount,
                               MSIHANDLE* summary) {
    return Guarded([&]() -> UINT {
        if (!summary) {
            return ERROR_INVALID_PARAMETER;
        }
        *summary = 0;
        if (updateCount != 0) {
            ThrowMsiFailure(ERROR_INVALID_PARAMETER, 0, {},
                            u"summary information is read-only here");
        }
        std::shared_ptr<Database> db;
        if (database != 0) {
            auto locked = Lock<std::shared_ptr<Database>>(database);
            if (!locked) {
                return ERROR_INVALID_HANDLE;
            }
            db = *locked.object;
        } else {
            if (!databasePath) {
                return ERROR_INVALID_PARAMETER;
            }
            db = OpenDatabase(databasePath);
        }
        *summary = HandleTable::Instance().Add(SummaryObject{db->Storage().Summary()});
        return ERROR_SUCCESS;
    });
}

UINT MsiSummaryInfoGetPropertyW(MSIHANDLE summary, UINT property, UINT* type, INT* intValue,
                                MsiFileTime* fileTime, LPWSTR buffer, MsiDWORD* size) {
    return Guarded([&]() -> UINT {
        auto locked = Lock<SummaryObject>(summary);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        const auto it = locked->properties.find(property);
        if (it == locked->properties.end()) {
            if (type) {
                *type = VT_EMPTY_PROPERTY;
            }
            return property > 19 ? ERROR_UNKNOWN_PROPERTY : ERROR_SUCCESS;
        }
        const SummaryValue& value = it->second;
        if (const auto* i = std::get_if<int32_t>(&value)) {
            if (type) {
                // Only the code page is a two-byte integer; the counts and flags are four-byte.
                *type = property == 1 ? VT_I2_PROPERTY : VT_I4_PROPERTY;
            }
            if (intValue) {
                *intValue = *i;
            }
            return ERROR_SUCCESS;
        }
        if (const auto* t = std::get_if<FileTime>(&value)) {
            if (type) {
                *type = VT_FILETIME_PROPERTY;
            }
            if (fileTime) {
                fileTime->dwLowDateTime = static_cast<uint32_t>(t->value);
                fileTime->dwHighDateTime = static_cast<uint32_t>(t->value >> 32);
            }
            return ERROR_SUCCESS;
        }
        if (type) {
            *type = VT_LPSTR_PROPERTY;
        }
        return CopyOut(std::get<std::u16string>(value), buffer, size);
    });
}

UINT MsiSummaryInfoGetPropertyCount(MSIHANDLE summary, UINT* count) {
    return Guarded([&]() -> UINT {
        auto locked = Lock<SummaryObject>(summary);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        if (count) {
            *count = static_cast<UINT>(locked->properties.size());
        }
        return ERROR_SUCCESS;
    });
}

MSIHANDLE MsiGetLastErrorRecord() {
    // Not guarded: the guard would clear what this call is asked for.
    if (!t_lastError) {
        return 0;
    }
    Record record = std::move(*t_lastError);
    t_lastError.reset();
    try {
        return HandleTable::Instance().Add(std::move(record));
    } catch (...) {
        return 0;
    }
}

const char16_t* MsiLastFailureDetail() {
    return t_lastDetail.c_str();
}

UINT MsiFormatRecordW(MSIHANDLE install, MSIHANDLE record, LPWSTR buffer, MsiDWORD* size) {
    return Guarded([&]() -> UINT {
        if (install != 0) {
            return ERROR_INVALID_HANDLE; // there are no install sessions here
        }
        auto locked = Lock<Record>(record);
        if (!locked) {
            return ERROR_INVALID_HANDLE;
        }
        const Record& r = *locked.object;
        std::u16string templ = r.Text(0);
        if (r.IsNull(0)) {
            // Without a template every non-null field is listed as "n: [n] ".
            for (uint32_t i = 1; i <= r.FieldCount(); ++i) {
                if (!r.IsNull(i)) {
                    templ += FormatString(u"%d: [%d] ", i, i);
                }
            }
        }
        const std::u16string text = FormatRecordText(
            templ,
            [&](unsigned field) -> std::optional<std::u16string> {
                if (r.IsNull(field)) {
                    return std::nullopt;
                }
                return r.Text(field);
            },
            r.FieldCount());
        return CopyOut(text, buffer, size);
    });
}

UINT MsiGetFileVersionW(LPCWSTR path, LPWSTR versionBuffer, MsiDWORD* versionSize,
                        LPWSTR languageBuffer, MsiDWORD* languageSize) {
    return Guarded([&]() -> UINT {
        if (!path) {
            return ERROR_INVALID_PARAMETER;
        }
        FileVersionInfo info;
        const Win32Error result = ReadFileVersion(path, info);
        if (result != ERROR_SUCCESS) {
            // Callers rely on empty outputs when the file has no version.
            if (versionBuffer && versionSize && *versionSize > 0) {
                versionBuffer[0] = 0;
            }
            if (languageBuffer && languageSize && *languageSize > 0) {
                languageBuffer[0] = 0;
            }
            if (versionSize) {
                *versionSize = 0;
            }
            if (languageSize) {
                *languageSize = 0;
            }
            return result;
        }
        UINT status = ERROR_SUCCESS;
        if (versionSize || versionBuffer) {
            status = CopyOut(info.version, versionBuffer, versionSize);
        }
        if (languageSize || languageBuffer) {
            const UINT languageStatus = CopyOut(info.language, languageBuffer, languageSize);
            if (status == ERROR_SUCCESS) {
                status = languageStatus;
            }
        }
        return status;
    });
}
