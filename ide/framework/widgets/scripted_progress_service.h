#pragma once
// A progress service for tests: counts the steps of each piece of work and cancels at the step
// it was told to. Installed for its lifetime.

#include "ide/framework/widgets/progress.h"

#include <vector>

namespace vx {

class ScriptedProgressService final : public IProgressService {
public:
    ScriptedProgressService() : m_previous(SetProgressService(this)) {}
    ~ScriptedProgressService() { SetProgressService(m_previous); }
    ScriptedProgressService(const ScriptedProgressService&) = delete;
    ScriptedProgressService& operator=(const ScriptedProgressService&) = delete;

    // The author cancels at the `step`-th step (counted from 1) of the next work; 0: never.
    void CancelAt(int step) { m_cancelAt = step; }
    // The titles of the work begun, and the steps each saw.
    const std::vector<QString>& Titles() const { return m_titles; }
    const std::vector<int>& Steps() const { return m_steps; }

    std::unique_ptr<IProgressSink> Begin(QWidget*, const QString& title, int) override {
        m_titles.push_back(title);
        m_steps.push_back(0);
        return std::make_unique<Sink>(*this, m_steps.size() - 1, m_cancelAt);
    }

private:
    class Sink final : public IProgressSink {
    public:
        Sink(ScriptedProgressService& owner, size_t index, int cancelAt)
            : m_owner(owner), m_index(index), m_cancelAt(cancelAt) {}
        bool Step(int, const QString&) override {
            const int step = ++m_owner.m_steps[m_index];
            return m_cancelAt == 0 || step < m_cancelAt;
        }

    private:
        ScriptedProgressService& m_owner;
        size_t m_index;
        int m_cancelAt;
    };

    IProgressService* m_previous;
    int m_cancelAt = 0;
    std::vector<QString> m_titles;
    std::vector<int> m_steps;
};

} // namespace vx
