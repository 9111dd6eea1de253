#include "ide/framework/widgets/wrkspace_doc_template.h"

#include "ide/framework/widgets/wrkspace_doc.h"
#include "ide/framework/widgets/wrkspace_frame.h"
#include "ide/framework/widgets/wrkspace_view.h"

namespace vx {

CVXWrkSpaceDocTemplate::CVXWrkSpaceDocTemplate(UINT resourceId, DocumentFactory document,
                                               FrameFactory frame, ViewFactory view)
    : m_resourceId(resourceId), m_document(std::move(document)), m_frame(std::move(frame)),
      m_view(std::move(view)) {}

CVXWrkSpaceDocTemplate::~CVXWrkSpaceDocTemplate() = default;

CVXWrkSpaceDocTemplate::Instance CVXWrkSpaceDocTemplate::OpenDocument() const {
    Instance made;
    made.document = m_document();
    made.frame = m_frame();
    made.view = m_view();
    made.frame->SetView(made.view);
    made.view->SetDocument(made.document.get());
    return made;
}

} // namespace vx
