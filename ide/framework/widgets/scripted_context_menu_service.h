#pragma once
// A context-menu service for tests: it records every menu shown and answers from a script
// (dismissed when the script has run out). Installed for its lifetime.

#include "ide/framework/widgets/context_menu.h"

#include <deque>
#include <vector>

namespace vx {

class ScriptedContextMenuService final : public IContextMenuService {
public:
    ScriptedContextMenuService() : m_previous(SetContextMenuService(this)) {}
    ~ScriptedContextMenuService() { SetContextMenuService(m_previous); }
    ScriptedContextMenuService(const ScriptedContextMenuService&) = delete;
    ScriptedContextMenuService& operator=(const ScriptedContextMenuService&) = delete;

    // The next menu answers `id` (0: dismissed).
    void Choose(UINT id) { m_answers.push_back(id); }

    UINT Show(const ContextMenuRequest& request) override {
        m_shown.push_back(request);
        if (m_answers.empty()) {
            return 0;
        }
        const UINT answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    const std::vector<ContextMenuRequest>& Shown() const { return m_shown; }

private:
    IContextMenuService* m_previous;
    std::deque<UINT> m_answers;
    std::vector<ContextMenuRequest> m_shown;
};

} // namespace vx
