#pragma once
// Owners of installer handles and the record and view operations the package reader uses.
// Checked calls throw CComException through CheckMsiResult; a record whose handle is 0 is the
// null record and stands for "no row".

#include "platform/msi/msi_api.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace vx {

class CMsiHandle {
public:
    CMsiHandle() = default;
    explicit CMsiHandle(MSIHANDLE handle) : m_handle(handle) {}
    ~CMsiHandle() { Close(); }
    CMsiHandle(const CMsiHandle&) = delete;
    CMsiHandle& operator=(const CMsiHandle&) = delete;
    CMsiHandle(CMsiHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, 0)) {}
    CMsiHandle& operator=(CMsiHandle&& other) noexcept {
        if (this != &other) {
            Close();
            m_handle = std::exchange(other.m_handle, 0);
        }
        return *this;
    }

    void Close() {
        if (m_handle != 0) {
            MsiCloseHandle(m_handle);
            m_handle = 0;
        }
    }
    bool HasHandle() const { return m_handle != 0; }
    MSIHANDLE Handle() const { return m_handle; }
    operator MSIHANDLE() const { return m_handle; }
    // For out parameters: closes what is held and hands out the slot.
    MSIHANDLE* Out() {
        Close();
        return &m_handle;
    }
    MSIHANDLE Detach() { return std::exchange(m_handle, 0); }

    // Closes a held handle first; the installer's result is returned unchecked.
    UINT OpenView(MSIHANDLE database, const std::u16string& query);

protected:
    MSIHANDLE m_handle = 0;
};

class CMsiRecord {
public:
    CMsiRecord() = default;
    explicit CMsiRecord(MSIHANDLE handle) : m_owns(handle != 0), m_handle(handle) {}
    ~CMsiRecord() {
        if (m_owns && m_handle != 0) {
            MsiCloseHandle(m_handle);
        }
    }
    CMsiRecord(const CMsiRecord&) = delete;
    CMsiRecord& operator=(const CMsiRecord&) = delete;
    CMsiRecord(CMsiRecord&& other) noexcept : CMsiRecord(other.Detach()) {}
    CMsiRecord& operator=(CMsiRecord&& other) noexcept {
        if (this != &other) {
            CMsiRecord taken(other.Detach());
            std::swap(m_owns, taken.m_owns);
            std::swap(m_handle, taken.m_handle);
        }
        return *this;
    }

    bool HasRow() const { return m_handle != 0; }
    explicit operator bool() const { return HasRow(); }
    MSIHANDLE Handle() const { return m_handle; }
    MSIHANDLE Detach() {
        m_owns = false;
        return std::exchange(m_handle, 0);
    }

    // The whole text of a field; "" for the null record or a null field. Integers come back in
    // decimal. A stream field has no text: reading it raises (ERROR_INVALID_DATATYPE).
    std::u16string GetString(UINT field) const;
    int GetInteger(UINT field) const { return MsiRecordGetInteger(m_handle, field); }
    bool IsNull(UINT field) const { return MsiRecordIsNull(m_handle, field); }

private:
    bool m_owns = false;
    MSIHANDLE m_handle = 0;
};

class CMsiView : public CMsiHandle {
public:
    using CMsiHandle::CMsiHandle;

    void Execute(MSIHANDLE params);
    // Does nothing when no view is held.
    void Execute();
    // The next row, or the null record at the end (or when no view is held).
    CMsiRecord Fetch();
    // Executes with one bound parameter and answers the first row.
    CMsiRecord ExecuteWithString(std::u16string_view value);
    CMsiRecord ExecuteWithInteger(int value);
};

UINT ExecuteView(MSIHANDLE view, MSIHANDLE params);
UINT OpenViewChecked(MSIHANDLE database, std::u16string_view query, MSIHANDLE* view);
UINT SetRecordString(MSIHANDLE record, UINT field, std::u16string_view value);
bool TestFieldNull(MSIHANDLE record, UINT field);
// True for a persistent or a temporary table.
bool TableExists(std::u16string_view table, MSIHANDLE database);
// Copies a stream field into a new file. Reports nothing itself: answers the result of the read
// that ended the copy, 0 when the stream was copied to its end (or the file cannot be created).
UINT WriteStreamToFile(MSIHANDLE record, UINT field, std::u16string_view path);

// A value for a '?' marker of a query: text or an integer. Values from outside (keys of a
// package, names typed by the author) travel this way, never inside the query's text, so a quote
// in them is just a character.
class QueryValue {
public:
    QueryValue(std::u16string_view text) : m_text(text) {}
    QueryValue(const std::u16string& text) : m_text(text) {}
    QueryValue(const char16_t* text) : m_text(text) {}
    QueryValue(int32_t integer) : m_integer(integer), m_isInteger(true) {}

    bool IsInteger() const { return m_isInteger; }
    std::u16string_view Text() const { return m_text; }
    int32_t Integer() const { return m_integer; }

private:
    std::u16string_view m_text;
    int32_t m_integer = 0;
    bool m_isInteger = false;
};

// Opens the query, executes it with `values` bound to its '?' markers in order, and fetches the
// first row. Answers the fetch's result: 0 with a record, or ERROR_NO_MORE_ITEMS with none.
// Failures of the open, the binding, the execute and the fetch throw.
UINT QueryFirstRecord(CMsiHandle& view, MSIHANDLE database, CMsiRecord& record,
                      std::u16string_view query, std::initializer_list<QueryValue> values = {});

} // namespace vx
