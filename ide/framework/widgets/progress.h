#pragma once
// Long work shown to the author. A CVXProgress lives as long as the work; each Step says how
// far it is and answers false once the author has cancelled, and the work then stops at that
// step. The default service shows a window-modal progress dialog only when the work lasts
// longer than half a second, so short work shows nothing; tests install one that cancels at a
// chosen step.

#include <QString>

#include <memory>

class QWidget;

namespace vx {

class IProgressSink {
public:
    virtual ~IProgressSink() = default;
    // `done` of the total (a total of 0: unknown); false when cancelled.
    virtual bool Step(int done, const QString& label) = 0;
};

class IProgressService {
public:
    virtual std::unique_ptr<IProgressSink> Begin(QWidget* owner, const QString& title,
                                                 int total) = 0;

protected:
    ~IProgressService() = default;
};

// Installs `service` (null restores the dialog one) and answers the one it replaces; the caller
// keeps it alive while installed.
IProgressService* SetProgressService(IProgressService* service);

class CVXProgress {
public:
    CVXProgress(QWidget* owner, const QString& title, int total);
    ~CVXProgress();
    CVXProgress(const CVXProgress&) = delete;
    CVXProgress& operator=(const CVXProgress&) = delete;

    // False once cancelled (and from then on).
    bool Step(int done, const QString& label = {});
    bool Cancelled() const { return m_cancelled; }

private:
    std::unique_ptr<IProgressSink> m_sink;
    bool m_cancelled = false;
};

} // namespace vx
