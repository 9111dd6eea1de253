#include "ide/framework/widgets/splitter_wnd.h"

#include "ide/framework/widgets/control_id.h"

#include <QHBoxLayout>
#include <QSplitter>
#include <QStackedLayout>

namespace vx {

CVXSplitterWnd::CVXSplitterWnd(QWidget* parent) : QWidget(parent), m_splitter(new QSplitter(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
    m_splitter->setChildrenCollapsible(false);
}

CVXSplitterWnd::~CVXSplitterWnd() {
    // Give the placed windows back before Qt deletes the panes with their children.
    for (const Pane& pane : m_panes) {
        while (pane.stack->count() > 0) {
            QWidget* window = pane.stack->widget(0);
            pane.stack->removeWidget(window);
            window->hide();
            window->setParent(nullptr);
        }
    }
}

bool CVXSplitterWnd::CreateStatic(QWidget* parent, int rows, int cols, uint32_t style, UINT id) {
    if (!m_panes.empty() || rows < 1 || cols < 1 || (rows > 1 && cols > 1)) {
        return false;
    }
    m_rows = rows;
    m_cols = cols;
    m_splitter->setOrientation(rows > 1 ? Qt::Vertical : Qt::Horizontal);
    m_panes.resize(static_cast<size_t>(rows * cols));
    for (Pane& pane : m_panes) {
        pane.host = new QWidget;
        pane.stack = new QStackedLayout(pane.host);
        pane.stack->setContentsMargins(0, 0, 0, 0);
        m_splitter->addWidget(pane.host);
    }
    // A resize goes to the last pane, the others keep their sizes.
    m_splitter->setStretchFactor(static_cast<int>(m_panes.size()) - 1, 1);
    SetDlgCtrlID(this, id);
    if (qobject_cast<CVXSplitterWnd*>(parent)) {
        return true; // nested: AttachSplitter places and shows it
    }
    setParent(parent);
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

CVXSplitterWnd::Pane* CVXSplitterWnd::PaneAt(int row, int col) {
    if (row < 0 || row >= m_rows || col < 0 || col >= m_cols) {
        return nullptr;
    }
    return &m_panes[static_cast<size_t>(row * m_cols + col)];
}

const CVXSplitterWnd::Pane* CVXSplitterWnd::PaneAt(int row, int col) const {
    return const_cast<CVXSplitterWnd*>(this)->PaneAt(row, col);
}

bool CVXSplitterWnd::AttachWindow(int row, int col, QWidget* window) {
    Pane* pane = PaneAt(row, col);
    if (!pane || !window) {
        return false;
    }
    SetDlgCtrlID(window, IdFromRowCol(row, col));
    if (pane->stack->indexOf(window) < 0) {
        pane->stack->addWidget(window); // the first one added is the one shown
    }
    return true;
}

bool CVXSplitterWnd::AttachSplitter(int row, int col, CVXSplitterWnd* splitter) {
    if (!AttachWindow(row, col, splitter)) {
        return false;
    }
    splitter->show();
    return true;
}

bool CVXSplitterWnd::FlipWindow(int row, int col, QWidget* window) {
    Pane* pane = PaneAt(row, col);
    if (!pane || !window || pane->stack->indexOf(window) < 0) {
        return false;
    }
    pane->stack->setCurrentWidget(window);
    return true;
}

QWidget* CVXSplitterWnd::GetPane(int row, int col) const {
    const Pane* pane = PaneAt(row, col);
    return pane ? pane->stack->currentWidget() : nullptr;
}

void CVXSplitterWnd::MoveWindowNoBorder(const QRect& rect, bool repaint) {
    setGeometry(rect);
    if (repaint) {
        update();
    }
}

void CVXSplitterWnd::SetPaneInfo(int index, int ideal, int minimum) {
    if (index < 0 || static_cast<size_t>(index) >= m_panes.size()) {
        return;
    }
    Pane& pane = m_panes[static_cast<size_t>(index)];
    pane.ideal = ideal;
    pane.minimum = std::max(0, minimum);
    if (m_splitter->orientation() == Qt::Horizontal) {
        pane.host->setMinimumWidth(pane.minimum);
    } else {
        pane.host->setMinimumHeight(pane.minimum);
    }
}

bool CVXSplitterWnd::GetPaneInfo(int index, int& current, int& minimum) const {
    if (index < 0 || static_cast<size_t>(index) >= m_panes.size()) {
        return false;
    }
    current = m_splitter->sizes().value(index);
    minimum = m_panes[static_cast<size_t>(index)].minimum;
    return true;
}

void CVXSplitterWnd::SetColumnInfo(int col, int ideal, int minimum) {
    if (m_rows == 1) {
        SetPaneInfo(col, ideal, minimum);
    }
}

void CVXSplitterWnd::SetRowInfo(int row, int ideal, int minimum) {
    if (m_cols == 1) {
        SetPaneInfo(row, ideal, minimum);
    }
}

bool CVXSplitterWnd::GetColumnInfo(int col, int& current, int& minimum) const {
    return m_rows == 1 && GetPaneInfo(col, current, minimum);
}

bool CVXSplitterWnd::GetRowInfo(int row, int& current, int& minimum) const {
    return m_cols == 1 && GetPaneInfo(row, current, minimum);
}

int CVXSplitterWnd::IdealColumnSize(int col) const {
    const Pane* pane = PaneAt(0, col);
    return m_rows == 1 && pane ? pane->ideal : -1;
}

int CVXSplitterWnd::IdealRowSize(int row) const {
    const Pane* pane = PaneAt(row, 0);
    return m_cols == 1 && pane ? pane->ideal : -1;
}

void CVXSplitterWnd::RecalcLayout() {
    if (m_panes.empty()) {
        return;
    }
    // The splitter takes the whole of this widget now, shown or not, so that the sizes below
    // are not scaled again by a later resize.
    m_splitter->setGeometry(rect());
    const bool across = m_splitter->orientation() == Qt::Horizontal;
    const int handles = static_cast<int>(m_panes.size() - 1) * m_splitter->handleWidth();
    int left = (across ? width() : height()) - handles;
    QList<int> current = m_splitter->sizes();
    QList<int> sizes;
    for (size_t i = 0; i + 1 < m_panes.size(); ++i) {
        const Pane& pane = m_panes[i];
        const int size = std::max(
            pane.minimum, pane.ideal >= 0 ? pane.ideal : current.value(static_cast<int>(i)));
        sizes.push_back(size);
        left -= size;
    }
    sizes.push_back(std::max(m_panes.back().minimum, left));
    m_splitter->setSizes(sizes);
}

} // namespace vx
