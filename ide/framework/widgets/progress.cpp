#include "ide/framework/widgets/progress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>

namespace vx {
namespace {

constexpr int kShowAfterMs = 500;
constexpr int kEventsEveryMs = 50; // painting and the Cancel button, not every step

class DialogSink final : public IProgressSink {
public:
    DialogSink(QWidget* owner, const QString& title, int total)
        : m_owner(owner), m_title(title), m_total(total) {
        m_clock.start();
    }

    bool Step(int done, const QString& label) override {
        if (m_clock.elapsed() < kShowAfterMs && !m_dialog) {
            return true;
        }
        if (!m_dialog) {
            m_dialog = std::make_unique<QProgressDialog>(m_title, QApplication::tr("Cancel"), 0,
                                                         m_total, m_owner);
            m_dialog->setWindowTitle(m_title);
            m_dialog->setWindowModality(Qt::WindowModal);
            m_dialog->setMinimumDuration(0);
            m_dialog->setAutoReset(false);
            m_dialog->setAutoClose(false);
            m_dialog->show();
        }
        if (m_lastEvents.isValid() && m_lastEvents.elapsed() < kEventsEveryMs) {
            return !m_dialog->wasCanceled();
        }
        m_lastEvents.start();
        if (!label.isEmpty()) {
            m_dialog->setLabelText(label);
        }
        if (m_total > 0) {
            m_dialog->setValue(done);
        }
        QApplication::processEvents();
        return !m_dialog->wasCanceled();
    }

private:
    QWidget* m_owner;
    QString m_title;
    int m_total;
    QElapsedTimer m_clock;
    QElapsedTimer m_lastEvents;
    std::unique_ptr<QProgressDialog> m_dialog;
};

class DialogProgressService final : public IProgressService {
public:
    std::unique_ptr<IProgressSink> Begin(QWidget* owner, const QString& title, int total) override {
        return std::make_unique<DialogSink>(owner, title, total);
    }
};

DialogProgressService g_dialogs;
IProgressService* g_service = &g_dialogs;

} // namespace

IProgressService* SetProgressService(IProgressService* service) {
    IProgressService* previous = g_service;
    g_service = service ? service : &g_dialogs;
    return previous;
}

CVXProgress::CVXProgress(QWidget* owner, const QString& title, int total)
    : m_sink(g_service->Begin(owner, title, total)) {}

CVXProgress::~CVXProgress() = default;

bool CVXProgress::Step(int done, const QString& label) {
    if (!m_cancelled && !m_sink->Step(done, label)) {
        m_cancelled = true;
    }
    return !m_cancelled;
}

} // namespace vx
