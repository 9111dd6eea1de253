#pragma once
// A static splitter: a fixed number of panes in one row or one column, each pane holding any
// number of windows of which one is visible (FlipWindow switches). Panes have the ids a
// splitter gives its panes, AFX_IDW_PANE_FIRST + 16 * row + col, and a window placed in a pane
// takes that id, so that a page tells its windows apart by where they are.
//
// The splitter is a QWidget holding a QSplitter; widgets created with the splitter as parent
// stay out of the panes until AttachWindow places them. The splitter does not own what is
// placed in it: the page keeps its windows (as members) and the splitter gives them back to
// no parent when it goes first.

#include "ide/framework/widgets/win_types.h"

#include <QPointer>
#include <QWidget>
#include <vector>

class QSplitter;
class QStackedLayout;

namespace vx {

class CVXSplitterWnd : public QWidget {
    Q_OBJECT

public:
    explicit CVXSplitterWnd(QWidget* parent = nullptr);
    ~CVXSplitterWnd() override;

    // Makes the panes: `rows` by `cols`, one of them 1 (panes side by side, or stacked). The
    // splitter becomes a child of `parent` (unless that is a splitter: AttachSplitter places it
    // then) with the control id `id`; WS_VISIBLE in `style` shows it.
    bool CreateStatic(QWidget* parent, int rows, int cols, uint32_t style = WS_CHILD | WS_VISIBLE,
                      UINT id = AFX_IDW_PANE_FIRST);
    int GetRowCount() const { return m_rows; }
    int GetColumnCount() const { return m_cols; }

    // The id of pane (row, col).
    static UINT IdFromRowCol(int row, int col) {
        return AFX_IDW_PANE_FIRST + static_cast<UINT>(16 * row + col);
    }

    // Places `window` in pane (row, col) with the pane's id. The first window placed in a pane
    // is the one shown; later ones stay hidden until flipped to.
    bool AttachWindow(int row, int col, QWidget* window);
    // Places a nested splitter in pane (row, col), as AttachWindow does.
    bool AttachSplitter(int row, int col, CVXSplitterWnd* splitter);
    // Shows `window`, which must have been placed in pane (row, col), and hides the others
    // there.
    bool FlipWindow(int row, int col, QWidget* window);
    // The window shown in pane (row, col), or null.
    QWidget* GetPane(int row, int col) const;

    // Moves the splitter to `rect` of its parent; the splitter draws no border of its own.
    void MoveWindowNoBorder(const QRect& rect, bool repaint = true);

    // Sizes of columns (side-by-side panes) and rows (stacked panes): the ideal size that
    // RecalcLayout gives the pane, and its minimum. GetColumnInfo and GetRowInfo answer the
    // pane's current size.
    void SetColumnInfo(int col, int ideal, int minimum);
    void SetRowInfo(int row, int ideal, int minimum);
    bool GetColumnInfo(int col, int& current, int& minimum) const;
    bool GetRowInfo(int row, int& current, int& minimum) const;
    int IdealColumnSize(int col) const;
    int IdealRowSize(int row) const;
    // Lays the panes out: every pane but the last gets its ideal size, the last the rest.
    void RecalcLayout();

    QSplitter* Splitter() const { return m_splitter; }

private:
    struct Pane {
        QWidget* host = nullptr;
        QStackedLayout* stack = nullptr;
        int ideal = -1;
        int minimum = 0;
    };
    Pane* PaneAt(int row, int col);
    const Pane* PaneAt(int row, int col) const;
    void SetPaneInfo(int index, int ideal, int minimum);
    bool GetPaneInfo(int index, int& current, int& minimum) const;

    QSplitter* m_splitter;
    int m_rows = 0;
    int m_cols = 0;
    std::vector<Pane> m_panes;
};

} // namespace vx
