#include "ide/services/cabinet/cabinet_reader.h"

#include "platform/sys/system_messages.h"
#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"

#include <mspack.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace vx::cabinet {
namespace {

// libmspack reads the cabinet through this buffer; larger than its default of 4 KiB so that a
// big member costs fewer reads.
constexpr int kInputBufferBytes = 64 * 1024;

std::u16string Quoted(std::u16string_view text) {
    return u"\"" + std::u16string(text) + u"\"";
}

// The system's wording for a Win32 code, without its line end.
std::u16string Reason(Win32Error code) {
    std::u16string text =
        SystemMessageText(code).value_or(u"Error " + Utf8ToUtf16(std::to_string(code)) + u".");
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) {
        text.pop_back();
    }
    return text;
}

std::u16string WithDetail(std::u16string text, const std::string& detail) {
    if (!detail.empty()) {
        text += u" (" + Utf8ToUtf16(detail) + u")";
    }
    return text + u".";
}

bool CompareNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiToLower(static_cast<char16_t>(static_cast<unsigned char>(x))) ==
                      AsciiToLower(static_cast<char16_t>(static_cast<unsigned char>(y)));
           });
}

} // namespace

HRESULT HResultFromErrno(int error) {
    return HRESULT_FROM_WIN32(Win32ErrorFromErrno(error));
}

CabinetReader::CabinetReader() : m_io(std::make_unique<MspackIo>()) {}

CabinetReader::CabinetReader(std::span<const uint8_t> cabinet, uint64_t outputLimit)
    : m_io(std::make_unique<MspackIo>(cabinet, outputLimit)) {}

CabinetReader::~CabinetReader() {
    if (m_decompressor) {
        if (m_cabinet) {
            m_decompressor->close(m_decompressor, m_cabinet);
        }
        mspack_destroy_cab_decompressor(m_decompressor);
    }
}

Failure CabinetReader::OpenFailure(int error) const {
    const std::u16string cabinet = Quoted(m_path);
    switch (error) {
    case MSPACK_ERR_OPEN: {
        const int why = m_io->LastErrno();
        const Win32Error code = why ? Win32ErrorFromErrno(why) : ERROR_OPEN_FAILED;
        return {HRESULT_FROM_WIN32(code),
                u"The cabinet " + cabinet + u" cannot be opened: " + Reason(code)};
    }
    case MSPACK_ERR_SIGNATURE:
        return {HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
                u"The file " + cabinet +
                    u" is not a cabinet: it does not begin with a cabinet "
                    u"signature."};
    case MSPACK_ERR_DATAFORMAT:
        return {HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
                WithDetail(u"The cabinet " + cabinet + u" is damaged: its header is not valid",
                           m_io->LastMessage())};
    case MSPACK_ERR_READ:
    case MSPACK_ERR_SEEK:
        if (m_io->LastErrno() != 0) {
            const Win32Error code = Win32ErrorFromErrno(m_io->LastErrno());
            return {HRESULT_FROM_WIN32(code),
                    u"The cabinet " + cabinet + u" cannot be read: " + Reason(code)};
        }
        return {HRESULT_FROM_WIN32(ERROR_HANDLE_EOF),
                u"The cabinet " + cabinet + u" is truncated: it ends inside its header."};
    case MSPACK_ERR_NOMEMORY:
        return {E_OUTOFMEMORY, u"There is not enough memory to open the cabinet " + cabinet + u"."};
    default:
        return {E_FAIL, u"The cabinet " + cabinet + u" cannot be opened (libmspack error " +
                            Utf8ToUtf16(std::to_string(error)) + u")."};
    }
}

std::optional<Failure> CabinetReader::Open(const std::u16string& path) {
    if (m_decompressor) {
        return Failure{E_UNEXPECTED, u"This cabinet reader has already opened a cabinet."};
    }
    m_path = path;
    int selfTest = MSPACK_ERR_OK;
    MSPACK_SYS_SELFTEST(selfTest);
    if (selfTest != MSPACK_ERR_OK) {
        return Failure{E_UNEXPECTED, u"The cabinet library was built for another system."};
    }
    m_io->ClearLast();
    m_decompressor = mspack_create_cab_decompressor(m_io->System());
    if (!m_decompressor) {
        return Failure{E_OUTOFMEMORY,
                       u"There is not enough memory to open the cabinet " + Quoted(m_path) + u"."};
    }
    m_decompressor->set_param(m_decompressor, MSCABD_PARAM_DECOMPBUF, kInputBufferBytes);
    // libmspack keeps the name (not a copy) to reopen the cabinet at each extraction.
    m_nativePath = m_io->InMemory() ? kMemoryCabinetName : Utf16ToUtf8(path);
    const std::string& name = m_nativePath;
    m_cabinet = m_decompressor->open(m_decompressor, name.c_str());
    if (!m_cabinet) {
        return OpenFailure(m_decompressor->last_error(m_decompressor));
    }

    // libmspack opens a truncated cabinet and fails only when a member's data is missing.
    uint64_t actual = 0;
    if (m_io->InMemory()) {
        actual = m_io->MemoryCabinet().size();
    } else {
        struct stat st {};
        if (::stat(name.c_str(), &st) != 0) {
            return OpenFailure(MSPACK_ERR_OPEN);
        }
        actual = static_cast<uint64_t>(st.st_size);
    }
    const uint64_t declared = static_cast<uint64_t>(m_cabinet->base_offset) + m_cabinet->length;
    if (actual < declared) {
        return Failure{HRESULT_FROM_WIN32(ERROR_HANDLE_EOF),
                       u"The cabinet " + Quoted(m_path) + u" is truncated: its header gives " +
                           Utf8ToUtf16(std::to_string(declared)) + u" bytes, the file holds " +
                           Utf8ToUtf16(std::to_string(actual)) + u"."};
    }

    std::vector<mscabd_folder*> folders;
    for (mscabd_folder* folder = m_cabinet->folders; folder; folder = folder->next) {
        folders.push_back(folder);
    }
    for (mscabd_file* file = m_cabinet->files; file; file = file->next) {
        Member member;
        member.name = file->filename ? file->filename : "";
        member.size = file->length;
        const auto at = std::find(folders.begin(), folders.end(), file->folder);
        member.folder = static_cast<unsigned>(at - folders.begin());
        member.offset = file->offset;
        member.file = file;
        m_members.push_back(std::move(member));
    }
    std::stable_sort(m_members.begin(), m_members.end(), [](const Member& a, const Member& b) {
        return a.folder != b.folder ? a.folder < b.folder : a.offset < b.offset;
    });
    return std::nullopt;
}

std::optional<size_t> CabinetReader::FindMember(const std::string& name) const {
    for (size_t i = 0; i < m_members.size(); ++i) {
        if (m_members[i].name == name) {
            return i;
        }
    }
    for (size_t i = 0; i < m_members.size(); ++i) {
        if (CompareNoCase(m_members[i].name, name)) {
            return i;
        }
    }
    return std::nullopt;
}

Failure CabinetReader::ExtractFailure(int error, const Member& member,
                                      const std::u16string& target) const {
    const std::u16string what =
        u"The file " + Quoted(Utf8ToUtf16(member.name)) + u" of the cabinet " + Quoted(m_path);
    const int why = m_io->LastErrno();
    switch (error) {
    case MSPACK_ERR_OPEN: {
        const Win32Error code = why ? Win32ErrorFromErrno(why) : ERROR_CREATE_FAILED;
        if (why == ELOOP) {
            return {HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
                    what + u" is not written to " + Quoted(target) +
                        u": a symbolic link stands there."};
        }
        return {HRESULT_FROM_WIN32(code),
                what + u" cannot be written to " + Quoted(target) + u": " + Reason(code)};
    }
    case MSPACK_ERR_WRITE: {
        const Win32Error code = why ? Win32ErrorFromErrno(why) : ERROR_WRITE_FAULT;
        return {HRESULT_FROM_WIN32(code),
                what + u" cannot be written to " + Quoted(target) + u": " + Reason(code)};
    }
    case MSPACK_ERR_READ:
    case MSPACK_ERR_SEEK:
        if (why != 0) {
            const Win32Error code = Win32ErrorFromErrno(why);
            return {HRESULT_FROM_WIN32(code), what + u" cannot be read: " + Reason(code)};
        }
        return {HRESULT_FROM_WIN32(ERROR_HANDLE_EOF),
                WithDetail(what + u" cannot be extracted: the cabinet ends before its data",
                           m_io->LastMessage())};
    case MSPACK_ERR_NOMEMORY:
        return {E_OUTOFMEMORY, what + u" cannot be extracted: there is not enough memory."};
    case MSPACK_ERR_DATAFORMAT:
    case MSPACK_ERR_CHECKSUM:
    case MSPACK_ERR_DECRUNCH:
        return {HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
                WithDetail(what + u" cannot be extracted: its compressed data is damaged",
                           m_io->LastMessage())};
    default:
        return {E_FAIL, what + u" cannot be extracted (libmspack error " +
                            Utf8ToUtf16(std::to_string(error)) + u")."};
    }
}

std::optional<Failure> CabinetReader::Extract(size_t index, const std::u16string& targetPath) {
    if (!m_cabinet || index >= m_members.size()) {
        return Failure{E_INVALIDARG, u"No such member in the cabinet " + Quoted(m_path) + u"."};
    }
    const Member& member = m_members[index];
    m_io->ClearLast();
    const std::string target = Utf16ToUtf8(targetPath);
    const int error = m_decompressor->extract(m_decompressor, member.file, target.c_str());
    if (error == MSPACK_ERR_OK) {
        return std::nullopt;
    }
    Failure failure = ExtractFailure(error, member, targetPath);
    // A half-written member is worse than none; a symbolic link that refused it stays.
    if (error != MSPACK_ERR_OPEN && !m_io->InMemory()) {
        ::unlink(target.c_str());
    }
    return failure;
}

} // namespace vx::cabinet
