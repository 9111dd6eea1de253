#pragma once
// What a page's control makes for each instance: one document, one frame and the frame's one
// view, of the page's own classes.

#include "ide/framework/widgets/win_types.h"

#include <functional>
#include <memory>

namespace vx {

class CVXWrkSpaceDoc;
class CVXWrkSpaceFrame;
class CVXWrkSpaceView;

class CVXWrkSpaceDocTemplate {
public:
    using DocumentFactory = std::function<std::unique_ptr<CVXWrkSpaceDoc>()>;
    using FrameFactory = std::function<CVXWrkSpaceFrame*()>;
    using ViewFactory = std::function<CVXWrkSpaceView*()>;

    CVXWrkSpaceDocTemplate(UINT resourceId, DocumentFactory document, FrameFactory frame,
                           ViewFactory view);
    virtual ~CVXWrkSpaceDocTemplate();

    // The template of document class Doc, frame class Frame and view class View, each made
    // with its default constructor.
    template <class Doc, class Frame, class View>
    static CVXWrkSpaceDocTemplate Of(UINT resourceId) {
        return CVXWrkSpaceDocTemplate(
            resourceId, [] { return std::unique_ptr<CVXWrkSpaceDoc>(new Doc); },
            [] { return new Frame; }, [] { return new View; });
    }

    UINT GetResourceId() const { return m_resourceId; }

    struct Instance {
        std::unique_ptr<CVXWrkSpaceDoc> document;
        CVXWrkSpaceFrame* frame = nullptr; // a parentless window that owns the view
        CVXWrkSpaceView* view = nullptr;
    };
    // A new document with its frame and view, the view bound to the document.
    Instance OpenDocument() const;

private:
    UINT m_resourceId;
    DocumentFactory m_document;
    FrameFactory m_frame;
    ViewFactory m_view;
};

} // namespace vx
