#pragma once
// The module's application object: it makes the document template that every control of the
// module uses, and counts what keeps the module in use (live controls, server locks).

#include "ide/framework/widgets/wrkspace_doc_template.h"

#include <atomic>
#include <memory>

namespace vx {

class CVxWsApplicationFilesEPApp {
public:
    static CVxWsApplicationFilesEPApp& Instance();

    // Makes the document template (document, frame and view of the page).
    bool InitInstance();
    int ExitInstance();
    // Null before InitInstance.
    const CVXWrkSpaceDocTemplate* GetDocTemplate() const { return m_template.get(); }

    void Lock() { ++m_locks; }
    void Unlock() { --m_locks; }
    bool InUse() const { return m_locks > 0; }

private:
    CVxWsApplicationFilesEPApp() = default;

    std::unique_ptr<CVXWrkSpaceDocTemplate> m_template;
    std::atomic<long> m_locks{0};
};

} // namespace vx
