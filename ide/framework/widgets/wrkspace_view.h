#pragma once
// The base of a page's view: the window of the page's document, inside its frame. The
// control runs the view's initial update on the page's first showing; the document's updates
// reach OnUpdate, and every resize OnSize. Messages from the view's controls reach OnMessage.

#include "ide/framework/widgets/message_target.h"
#include "ide/framework/widgets/update_hint.h"

#include <QWidget>

namespace vx {

class CVXWrkSpaceDoc;
class CVXWrkSpaceFrame;

class CVXWrkSpaceView : public QWidget, public CVXMessageTarget {
    Q_OBJECT

public:
    // `templateId` names the view's form; the framework keeps it for the page.
    explicit CVXWrkSpaceView(UINT templateId = 0, QWidget* parent = nullptr);
    ~CVXWrkSpaceView() override;

    CVXWrkSpaceDoc* GetDocument() const { return m_document; }
    // Binds the view to `document` (which lists it) or, with null, unbinds it.
    void SetDocument(CVXWrkSpaceDoc* document);
    CVXWrkSpaceFrame* GetParentFrame() const;
    UINT GetTemplateId() const { return m_templateId; }
    // The framework flag of the view's document.
    bool IsActiveWorkspace() const;

    // Runs OnInitialUpdate the first time only.
    void InitialUpdate();
    bool HasInitialUpdate() const { return m_initialUpdateDone; }

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Called by the document's UpdateAllViews.
    virtual void OnUpdate(CVXWrkSpaceView* sender, LPARAM hint, CUpdateHint* hintObject);
    // The host's filter text (IWorkspace2); the base ignores it.
    virtual void OnFilter(const QString& text);

protected:
    // The base updates the view with hint 0.
    virtual void OnInitialUpdate();
    // After every change of the view's size (client width and height).
    virtual void OnSize(int cx, int cy);

    void resizeEvent(QResizeEvent* event) override;

private:
    UINT m_templateId;
    CVXWrkSpaceDoc* m_document = nullptr;
    bool m_initialUpdateDone = false;
};

} // namespace vx
