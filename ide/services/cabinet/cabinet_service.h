#pragma once
// The COM face of the cabinet reader: the cabinet service object and its extraction service.

#include "ide/services/cabinet/cabinet_reader.h"
#include "ide/services/interfaces/cabinet_service.h"

#include <memory>

namespace vx::cabinet {

class CabinetService final : public ComObject<CabinetService, ICabinetService> {
public:
    HRESULT Open(BSTR cabinetPath) override;
    HRESULT GetExtractionService(ICabinetExtraction** extraction) override;

private:
    std::shared_ptr<CabinetReader> m_reader;
};

class CabinetExtraction final : public ComObject<CabinetExtraction, ICabinetExtraction> {
public:
    explicit CabinetExtraction(std::shared_ptr<CabinetReader> reader)
        : m_reader(std::move(reader)) {}

    HRESULT Extract(BSTR member, BSTR folder) override;
    HRESULT ExtractToFile(BSTR member, BSTR targetPath) override;
    HRESULT GetMemberCount(uint32_t* count) override;
    HRESULT GetMember(uint32_t index, BSTR* name, uint64_t* size) override;

private:
    std::shared_ptr<CabinetReader> m_reader;
};

// True for a name that stays in the folder it is joined to: not empty, not "." or "..", and
// without '/' (or '\', which a Windows name would mean as a separator).
bool IsPlainFileName(std::u16string_view name);

} // namespace vx::cabinet
