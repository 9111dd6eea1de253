#include "ide/services/cabinet/cabinet_service.h"

#include "platform/com/com_exception.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"

namespace vx::cabinet {
namespace {

std::u16string Text(BSTR text) {
    return text ? std::u16string(text, SysStringLen(text)) : std::u16string();
}

HRESULT Fail(const Failure& failure) {
    return FailWithDescription(failure.hr, failure.description);
}

} // namespace

bool IsPlainFileName(std::u16string_view name) {
    return !name.empty() && name != u"." && name != u".." &&
           name.find(u'/') == std::u16string_view::npos &&
           name.find(u'\\') == std::u16string_view::npos &&
           name.find(u'\0') == std::u16string_view::npos;
}

HRESULT CabinetService::Open(BSTR cabinetPath) {
    auto reader = std::make_shared<CabinetReader>();
    if (const auto failure = reader->Open(Text(cabinetPath))) {
        m_reader.reset();
        return Fail(*failure);
    }
    m_reader = std::move(reader);
    return S_OK;
}

HRESULT CabinetService::GetExtractionService(ICabinetExtraction** extraction) {
    if (!extraction) {
        return E_POINTER;
    }
    *extraction = nullptr;
    if (!m_reader) {
        return FailWithDescription(E_UNEXPECTED,
                                   u"No cabinet is open: the extraction service is available only "
                                   u"after a cabinet was opened.");
    }
    *extraction = MakeComObject<CabinetExtraction>(m_reader).Detach();
    return S_OK;
}

HRESULT CabinetExtraction::Extract(BSTR member, BSTR folder) {
    const std::u16string name = Text(member);
    if (!IsPlainFileName(name)) {
        return FailWithDescription(HRESULT_FROM_WIN32(ERROR_INVALID_NAME),
                                   u"The cabinet member \"" + name +
                                       u"\" is not extracted: its name is not a "
                                       u"plain file name, so it would not stay in "
                                       u"the folder \"" +
                                       Text(folder) + u"\".");
    }
    std::u16string target = Text(folder);
    AppendPathSegment(target, name, kNativeSeparator);
    BStr path(target);
    return ExtractToFile(member, path.Get());
}

HRESULT CabinetExtraction::ExtractToFile(BSTR member, BSTR targetPath) {
    const std::u16string name = Text(member);
    const auto index = m_reader->FindMember(Utf16ToUtf8(name));
    if (!index) {
        return FailWithDescription(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
                                   u"The cabinet \"" + m_reader->Path() +
                                       u"\" holds no file named \"" + name + u"\".");
    }
    if (const auto failure = m_reader->Extract(*index, Text(targetPath))) {
        return Fail(*failure);
    }
    return S_OK;
}

HRESULT CabinetExtraction::GetMemberCount(uint32_t* count) {
    if (!count) {
        return E_POINTER;
    }
    *count = static_cast<uint32_t>(m_reader->Members().size());
    return S_OK;
}

HRESULT CabinetExtraction::GetMember(uint32_t index, BSTR* name, uint64_t* size) {
    if (!name || !size) {
        return E_POINTER;
    }
    *name = nullptr;
    *size = 0;
    if (index >= m_reader->Members().size()) {
        return E_INVALIDARG;
    }
    const Member& member = m_reader->Members()[index];
    *name = SysAllocStringView(Utf8ToUtf16(member.name));
    *size = member.size;
    return *name ? S_OK : E_OUTOFMEMORY;
}

} // namespace vx::cabinet
