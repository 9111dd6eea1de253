#pragma once
// The one failure type of the project. Failures are thrown by value and caught by reference as
// CException&, the polymorphic base; CComException carries a com_exception (an HRESULT and the
// error information that came with it).

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

#include <cstdint>
#include <exception>
#include <string>

namespace vx {

class CException {
public:
    virtual ~CException() = default;
    // Copies the failure's message into `buffer` (at most maxChars - 1 characters and a
    // terminating zero). The base has no message: it writes an empty text and answers false.
    virtual bool GetErrorMessage(char16_t* buffer, uint32_t maxChars,
                                 uint32_t* helpContext = nullptr) const;

protected:
    CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;
};

// The error value: what failed (hr), which interface raised it, the class named by its source's
// ProgID, and the texts.
class com_exception : public std::exception {
public:
    // Builds the value from the thread's error information when there is some (and so takes it
    // away), else from the system's text for hr, else "Unknown error".
    explicit com_exception(HRESULT hr);
    com_exception(HRESULT hr, std::u16string description, std::u16string source = {},
                  const IID& iid = GUID_NULL, const CLSID& clsid = GUID_NULL);

    const char* what() const noexcept override { return m_what.c_str(); }

    HRESULT hr;
    IID iid;
    CLSID clsid;
    std::u16string description;
    std::u16string source;

private:
    void UpdateWhat();
    std::string m_what;
};

class CComException : public CException {
public:
    explicit CComException(com_exception error) : m_error(std::move(error)) {}

    const com_exception& Error() const { return m_error; }
    HRESULT hr() const { return m_error.hr; }
    const std::u16string& Description() const { return m_error.description; }

    // Copies the description, cut to fit and zero-terminated; the help context is untouched.
    bool GetErrorMessage(char16_t* buffer, uint32_t maxChars,
                         uint32_t* helpContext = nullptr) const override;

private:
    com_exception m_error;
};

// Throws a CComException built from hr when hr is a failure; does nothing otherwise.
void ThrowIfFailed(HRESULT hr);

// Assigning a failed HRESULT to this holder throws, so a sequence of calls reads
// `hr = a(); hr = b();` and stops at the first failure.
class CheckedHResult {
public:
    CheckedHResult() = default;
    CheckedHResult(HRESULT hr) { *this = hr; }
    CheckedHResult& operator=(HRESULT hr) {
        ThrowIfFailed(hr);
        m_hr = hr;
        return *this;
    }
    operator HRESULT() const { return m_hr; }

private:
    HRESULT m_hr = S_OK;
};

// Publishes `description` as the thread's error information (no GUID, source or help), each
// step checked with ThrowIfFailed.
void PublishErrorDescription(const std::u16string& description);

// For COM methods that answer failures: publishes `description` when it can and answers hr.
HRESULT FailWithDescription(HRESULT hr, const std::u16string& description) noexcept;

} // namespace vx
