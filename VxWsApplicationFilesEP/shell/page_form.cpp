#include "VxWsApplicationFilesEP/shell/page_form.h"

#include <array>

namespace vx {
namespace {

std::array<PageFormFactory, 3>& Factories() {
    static std::array<PageFormFactory, 3> factories;
    return factories;
}

} // namespace

void RegisterPageForm(PageFormSlot slot, PageFormFactory factory) {
    Factories()[static_cast<size_t>(slot)] = std::move(factory);
}

std::unique_ptr<IPageForm> CreatePageForm(PageFormSlot slot) {
    const PageFormFactory& factory = Factories()[static_cast<size_t>(slot)];
    return factory ? factory() : nullptr;
}

} // namespace vx
