#pragma once
// The page's document: the link between the page and the open project. It holds no project data
// (the framework's document hands out the project and turns project changes into hint 2 for the
// view); the host's commands go on to the view.

#include "ide/framework/widgets/wrkspace_doc.h"

namespace vx {

class CVxWsApplicationFilesEPView;

class CVxWsApplicationFilesEPDoc final : public CVXWrkSpaceDoc {
public:
    // The view registers itself in its initial update; commands before that are not handled.
    void SetView(CVxWsApplicationFilesEPView* view) { m_view = view; }
    CVxWsApplicationFilesEPView* GetView() const { return m_view; }

    HRESULT OnExecuteCommand(UINT id, bool* handled) override;
    HRESULT OnQueryCommandStatus(UINT id, int32_t* status) override;

private:
    CVxWsApplicationFilesEPView* m_view = nullptr;
};

} // namespace vx
