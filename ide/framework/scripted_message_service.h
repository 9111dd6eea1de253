#pragma once
// A message service for tests: it records every box and answers from a script (IDOK when the
// script has run out). Installed for its lifetime; the previous service comes back afterwards.

#include "ide/framework/message_service.h"

#include <deque>
#include <vector>

namespace vx {

class ScriptedMessageService final : public IMessageService {
public:
    ScriptedMessageService() : m_previous(SetMessageService(this)) {}
    ~ScriptedMessageService() { SetMessageService(m_previous); }
    ScriptedMessageService(const ScriptedMessageService&) = delete;
    ScriptedMessageService& operator=(const ScriptedMessageService&) = delete;

    void Answer(int button) { m_answers.push_back(button); }

    int Show(const MessageBoxRequest& request) override {
        m_shown.push_back(request);
        if (m_answers.empty()) {
            return IDOK;
        }
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }

    const std::vector<MessageBoxRequest>& Shown() const { return m_shown; }

private:
    IMessageService* m_previous;
    std::deque<int> m_answers;
    std::vector<MessageBoxRequest> m_shown;
};

} // namespace vx
