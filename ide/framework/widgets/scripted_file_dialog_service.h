#pragma once
// A file-dialog service for tests: it records every request and answers from a script (the
// author cancels when the script has run out). Installed for its lifetime.

#include "ide/framework/widgets/file_dialog_service.h"

#include <deque>
#include <vector>

namespace vx {

class ScriptedFileDialogService final : public IFileDialogService {
public:
    ScriptedFileDialogService() : m_previous(SetFileDialogService(this)) {}
    ~ScriptedFileDialogService() { SetFileDialogService(m_previous); }
    ScriptedFileDialogService(const ScriptedFileDialogService&) = delete;
    ScriptedFileDialogService& operator=(const ScriptedFileDialogService&) = delete;

    // The next dialog chooses `paths`; an empty list cancels it.
    void Answer(QStringList paths) { m_answers.push_back(std::move(paths)); }
    void Cancel() { m_answers.emplace_back(); }

    QStringList Show(const FileDialogRequest& request) override {
        m_requests.push_back(request);
        if (m_answers.empty()) {
            return {};
        }
        QStringList answer = std::move(m_answers.front());
        m_answers.pop_front();
        return answer;
    }

    const std::vector<FileDialogRequest>& Requests() const { return m_requests; }

private:
    IFileDialogService* m_previous;
    std::deque<QStringList> m_answers;
    std::vector<FileDialogRequest> m_requests;
};

} // namespace vx
