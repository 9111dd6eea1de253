#pragma once
// The frame of the page's view: the framework's frame as it is.

#include "ide/framework/widgets/wrkspace_frame.h"

namespace vx {

class CVxWsApplicationFilesEPFrm final : public CVXWrkSpaceFrame {
    Q_OBJECT

public:
    using CVXWrkSpaceFrame::CVXWrkSpaceFrame;
};

} // namespace vx
