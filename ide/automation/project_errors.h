#pragma once
// The results the project automation answers, and how its operations turn internal failures
// into an HRESULT with a description in the thread's error information.
//
// Failures the author must see carry codes from 2000 to 2199 (the error report shows those in a
// message box); everything else is an internal failure with another code.

#include "platform/com/hresult.h"

#include <string>
#include <utility>

namespace vx {

// An error of the interface facility with the given code.
constexpr HRESULT MakeProjectError(uint16_t code) {
    return MakeHResult(0x80040000u | code);
}

// The project file is read-only (or on a read-only medium).
inline constexpr HRESULT VXPROJ_E_READONLY = MakeProjectError(2001);
// Another program held the project file longer than the wait allows.
inline constexpr HRESULT VXPROJ_E_BUSY = MakeProjectError(2002);
// A value the table cannot hold (too long, out of range, a zero character).
inline constexpr HRESULT VXPROJ_E_BADVALUE = MakeProjectError(2003);
// An entry with that key is already in the project.
inline constexpr HRESULT VXPROJ_E_DUPLICATE = MakeProjectError(2004);
// The entry is no longer in the project (removed here or by another program).
inline constexpr HRESULT VXPROJ_E_ENTRYGONE = MakeProjectError(2005);
// Another file took the project file's place while the project was open; the write was not
// made, the open project's content is kept in a recovered copy.
inline constexpr HRESULT VXPROJ_E_REPLACED = MakeProjectError(2006);
// The project file does not exist.
inline constexpr HRESULT VXPROJ_E_NOTFOUND = MakeProjectError(2010);
// The file is not a project file of ours (not SQLite, or another program's database).
inline constexpr HRESULT VXPROJ_E_NOTPROJECT = MakeProjectError(2011);
// The project file is damaged.
inline constexpr HRESULT VXPROJ_E_DAMAGED = MakeProjectError(2012);
// The project file was written by a newer version with a schema this one does not know.
inline constexpr HRESULT VXPROJ_E_NEWERSCHEMA = MakeProjectError(2013);
// A new project was asked for where a file already exists.
inline constexpr HRESULT VXPROJ_E_EXISTS = MakeProjectError(2014);
// The project file cannot be opened or created (permissions, a folder, a missing folder).
inline constexpr HRESULT VXPROJ_E_CANTOPEN = MakeProjectError(2015);
// The disk is full.
inline constexpr HRESULT VXPROJ_E_DISKFULL = MakeProjectError(2016);
// The project file could not be read or written (an input/output error).
inline constexpr HRESULT VXPROJ_E_IO = MakeProjectError(2017);

// The failure thrown inside the automation layer; each interface operation catches it at its
// boundary and answers its HRESULT.
class ProjectFailure {
public:
    ProjectFailure(HRESULT hr, std::u16string description)
        : m_hr(hr), m_description(std::move(description)) {}
    HRESULT hr() const { return m_hr; }
    const std::u16string& Description() const { return m_description; }

private:
    HRESULT m_hr;
    std::u16string m_description;
};

// Publishes `description` as the thread's error information and answers hr.
HRESULT PublishFailure(HRESULT hr, const std::u16string& description);

// Runs `body` (which answers an HRESULT) and turns what it throws into a published failure.
template <class Body> HRESULT GuardedCall(Body&& body) noexcept {
    try {
        return body();
    } catch (const ProjectFailure& failure) {
        return PublishFailure(failure.hr(), failure.Description());
    } catch (const std::bad_alloc&) {
        return PublishFailure(E_OUTOFMEMORY, u"Not enough memory for the project operation.");
    } catch (...) {
        return PublishFailure(E_UNEXPECTED, u"The project operation failed unexpectedly.");
    }
}

} // namespace vx
