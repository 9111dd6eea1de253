#include "VxWsApplicationFilesEP/package/msi_handles.h"

#include "VxWsApplicationFilesEP/package/msi_errors.h"
#include "platform/sys/file_handle.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vx {
namespace {

// Streams are copied in pieces of this size.
constexpr MsiDWORD kStreamChunk = 260;
// ... and written to the file in pieces of up to this size.
constexpr size_t kStreamWriteBytes = 1 << 20;

// A zero-terminated copy of a text for the C API; short texts (keys, queries) stay on the stack
// because single-row lookups pass several of them per call.
class Terminated {
public:
    explicit Terminated(std::u16string_view text) {
        if (text.size() < kInline) {
            std::memcpy(m_inline, text.data(), text.size() * sizeof(char16_t));
            m_inline[text.size()] = u'\0';
        } else {
            m_long.assign(text);
        }
    }
    Terminated(const Terminated&) = delete;
    Terminated& operator=(const Terminated&) = delete;
    const char16_t* c_str() const { return m_long.empty() ? m_inline : m_long.c_str(); }

private:
    static constexpr size_t kInline = 256;
    char16_t m_inline[kInline];
    std::u16string m_long;
};

} // namespace

UINT CMsiHandle::OpenView(MSIHANDLE database, const std::u16string& query) {
    Close();
    return MsiDatabaseOpenViewW(database, query.c_str(), &m_handle);
}

std::u16string CMsiRecord::GetString(UINT field) const {
    if (m_handle == 0) {
        return {};
    }
    MsiDWORD count = 0;
    UINT result = MsiRecordGetStringW(m_handle, field, nullptr, &count);
    CheckMsiResult(result, kApiRecordGetString);
    std::u16string text(count, u'\0'); // its terminator gives the call its count + 1
    MsiDWORD size = count + 1;
    result = MsiRecordGetStringW(m_handle, field, text.data(), &size);
    CheckMsiResult(result, kApiRecordGetString);
    // The call answers the length it copied; a value with a zero inside ends at the zero.
    text.resize(std::min<size_t>(size, count));
    if (const size_t zero = text.find(u'\0'); zero != std::u16string::npos) {
        text.resize(zero);
    }
    return text;
}

void CMsiView::Execute(MSIHANDLE params) {
    CheckMsiResult(MsiViewExecute(m_handle, params), kApiViewExecute);
}

void CMsiView::Execute() {
    if (m_handle != 0) {
        CheckMsiResult(MsiViewExecute(m_handle, 0), kApiViewExecute);
    }
}

CMsiRecord CMsiView::Fetch() {
    if (m_handle == 0) {
        return CMsiRecord();
    }
    MSIHANDLE record = 0;
    const UINT result = MsiViewFetch(m_handle, &record);
    if (result == ERROR_NO_MORE_ITEMS) {
        return CMsiRecord();
    }
    CheckMsiResult(result, kApiViewFetch);
    return CMsiRecord(record);
}

CMsiRecord CMsiView::ExecuteWithString(std::u16string_view value) {
    CMsiHandle params(MsiCreateRecord(1));
    MsiRecordSetStringW(params, 1, Terminated(value).c_str());
    CheckMsiResult(MsiViewExecute(m_handle, params), kApiViewExecute);
    params.Close();
    return Fetch();
}

CMsiRecord CMsiView::ExecuteWithInteger(int value) {
    CMsiHandle params(MsiCreateRecord(1));
    MsiRecordSetInteger(params, 1, value);
    CheckMsiResult(MsiViewExecute(m_handle, params), kApiViewExecute);
    params.Close();
    return Fetch();
}

UINT ExecuteView(MSIHANDLE view, MSIHANDLE params) {
    const UINT result = MsiViewExecute(view, params);
    CheckMsiResult(result, kApiViewExecute);
    return result;
}

UINT OpenViewChecked(MSIHANDLE database, std::u16string_view query, MSIHANDLE* view) {
    const UINT result = MsiDatabaseOpenViewW(database, Terminated(query).c_str(), view);
    CheckMsiResult(result, kApiOpenDatabaseView);
    return result;
}

UINT SetRecordString(MSIHANDLE record, UINT field, std::u16string_view value) {
    const UINT result = MsiRecordSetStringW(record, field, Terminated(value).c_str());
    CheckMsiResult(result, kApiRecordSetString);
    return result;
}

bool TestFieldNull(MSIHANDLE record, UINT field) {
    return MsiRecordIsNull(record, field);
}

bool TableExists(std::u16string_view table, MSIHANDLE database) {
    const MSICONDITION answer = MsiDatabaseIsTablePersistentW(database, Terminated(table).c_str());
    return answer == MSICONDITION_TRUE || answer == MSICONDITION_FALSE;
}

UINT WriteStreamToFile(MSIHANDLE record, UINT field, std::u16string_view path) {
    FileHandle file;
    if (!file.Open(path, Access::Write, Creation::CreateAlways, Sharing::None)) {
        return ERROR_SUCCESS;
    }
    // Read in the installer's usual pieces, written in large ones: a cabinet of hundreds of
    // megabytes would otherwise cost a system call every 260 bytes.
    std::vector<char> pending;
    pending.reserve(kStreamWriteBytes);
    char buffer[kStreamChunk];
    UINT result = ERROR_SUCCESS;
    for (;;) {
        MsiDWORD size = kStreamChunk;
        result = MsiRecordReadStream(record, field, buffer, &size);
        if (result != ERROR_SUCCESS || size == 0) {
            break;
        }
        pending.insert(pending.end(), buffer, buffer + size);
        if (pending.size() + kStreamChunk > kStreamWriteBytes) {
            file.Write(pending.data(), pending.size());
            pending.clear();
        }
    }
    file.Write(pending.data(), pending.size());
    return result;
}

UINT QueryFirstRecord(CMsiHandle& view, MSIHANDLE database, CMsiRecord& record,
                      std::u16string_view query, std::initializer_list<QueryValue> values) {
    OpenViewChecked(database, query, view.Out());
    CMsiHandle params;
    if (values.size() != 0) {
        params = CMsiHandle(MsiCreateRecord(static_cast<UINT>(values.size())));
        UINT field = 1;
        for (const QueryValue& value : values) {
            if (value.IsInteger()) {
                CheckMsiResult(MsiRecordSetInteger(params, field, value.Integer()),
                               kApiRecordSetInteger);
            } else {
                SetRecordString(params, field, value.Text());
            }
            ++field;
        }
    }
    CheckMsiResult(MsiViewExecute(view, params), kApiViewExecute);
    MSIHANDLE fetched = 0;
    const UINT result = MsiViewFetch(view, &fetched);
    if (result != ERROR_SUCCESS && result != ERROR_NO_MORE_ITEMS) {
        CheckMsiResult(result, kApiViewFetch);
    }
    record = CMsiRecord(fetched);
    return result;
}

} // namespace vx
