#pragma once
// The frame around a page's view: the window the host embeds. It holds the one view and gives
// it its whole area.

#include <QWidget>

namespace vx {

class CVXWrkSpaceView;

class CVXWrkSpaceFrame : public QWidget {
    Q_OBJECT

public:
    explicit CVXWrkSpaceFrame(QWidget* parent = nullptr);

    // Places `view` in the frame (the frame owns it from then on).
    void SetView(CVXWrkSpaceView* view);
    CVXWrkSpaceView* GetActiveView() const { return m_view; }
    // Lays the frame out now, not at the next turn of the event loop.
    void RecalcLayout();

private:
    CVXWrkSpaceView* m_view = nullptr;
};

} // namespace vx
