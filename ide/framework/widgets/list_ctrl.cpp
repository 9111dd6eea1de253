#include "ide/framework/widgets/list_ctrl.h"

#include "ide/framework/widgets/control_id.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <algorithm>
#include <deque>
#include <iterator>
#include <utility>
#include <vector>

namespace vx {

// Rows of texts with their item data. A deque, because lists are often filled by inserting
// every row at the top.
class CListRowModel final : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    struct Column {
        QString heading;
        Qt::Alignment alignment;
    };
    using Row = CVXListRow;

    std::vector<Column> columns;
    std::deque<Row> rows;

    int InsertColumn(int col, Column column) {
        beginInsertColumns({}, col, col);
        columns.insert(columns.begin() + col, std::move(column));
        for (Row& row : rows) {
            if (static_cast<size_t>(col) < row.texts.size()) {
                row.texts.insert(row.texts.begin() + col, QString());
            }
        }
        endInsertColumns();
        return col;
    }

    int InsertRow(int index, QString text) {
        beginInsertRows({}, index, index);
        Row row;
        row.texts.push_back(std::move(text));
        rows.insert(rows.begin() + index, std::move(row));
        endInsertRows();
        return index;
    }

    int InsertRows(int index, std::vector<Row> added) {
        if (added.empty()) {
            return index;
        }
        beginInsertRows({}, index, index + static_cast<int>(added.size()) - 1);
        rows.insert(rows.begin() + index, std::make_move_iterator(added.begin()),
                    std::make_move_iterator(added.end()));
        endInsertRows();
        return index;
    }

    void RemoveRow(int index) {
        beginRemoveRows({}, index, index);
        rows.erase(rows.begin() + index);
        endRemoveRows();
    }

    void Clear() {
        beginResetModel();
        rows.clear();
        endResetModel();
    }

    void SetText(int item, int col, QString text) {
        auto& texts = rows[static_cast<size_t>(item)].texts;
        if (texts.size() <= static_cast<size_t>(col)) {
            texts.resize(static_cast<size_t>(col) + 1);
        }
        texts[static_cast<size_t>(col)] = std::move(text);
        const QModelIndex changed = index(item, col);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }

    QString Text(int item, int col) const {
        const auto& texts = rows[static_cast<size_t>(item)].texts;
        return static_cast<size_t>(col) < texts.size() ? texts[static_cast<size_t>(col)]
                                                       : QString();
    }

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(columns.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) {
            return {};
        }
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
            return Text(index.row(), index.column());
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(columns[static_cast<size_t>(index.column())].alignment |
                                       Qt::AlignVCenter);
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 ||
            static_cast<size_t>(section) >= columns.size()) {
            return {};
        }
        if (role == Qt::DisplayRole) {
            return columns[static_cast<size_t>(section)].heading;
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(columns[static_cast<size_t>(section)].alignment |
                                       Qt::AlignVCenter);
        }
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                               : Qt::NoItemFlags;
    }
};

CVXListCtrl::CVXListCtrl(QWidget* parent) : QTreeView(parent), m_model(new CListRowModel(this)) {
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(SelectRows);
    setEditTriggers(NoEditTriggers);
    header()->setStretchLastSection(false);
    ApplyStyle();
}

bool CVXListCtrl::Create(uint32_t style, const QRect& rect, QWidget* parent, UINT id) {
    setParent(parent);
    setGeometry(rect);
    m_style = style;
    SetDlgCtrlID(this, id);
    ApplyStyle();
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

void CVXListCtrl::ModifyStyle(uint32_t remove, uint32_t add) {
    m_style = (m_style & ~remove) | add;
    ApplyStyle();
}

void CVXListCtrl::ApplyStyle() {
    setSelectionMode((m_style & LVS_SINGLESEL) ? SingleSelection : ExtendedSelection);
    header()->setSectionsClickable(!(m_style & LVS_NOSORTHEADER));
}

uint32_t CVXListCtrl::SetExtendedStyle(uint32_t style) {
    // Rows are always selected whole; the styles are kept for those who ask.
    return std::exchange(m_extendedStyle, style);
}

UINT CVXListCtrl::GetDlgCtrlID() const {
    return vx::GetDlgCtrlID(this);
}

int CVXListCtrl::InsertColumn(int col, const QString& heading, int format, int width) {
    if (col < 0) {
        return -1;
    }
    col = std::min(col, GetColumnCount());
    Qt::Alignment alignment = Qt::AlignLeft;
    if (format & LVCFMT_RIGHT) {
        alignment = Qt::AlignRight;
    } else if (format & LVCFMT_CENTER) {
        alignment = Qt::AlignHCenter;
    }
    m_model->InsertColumn(col, {heading, alignment});
    if (width >= 0) {
        setColumnWidth(col, width);
    }
    return col;
}

int CVXListCtrl::GetColumnCount() const {
    return static_cast<int>(m_model->columns.size());
}

bool CVXListCtrl::SetColumnWidth(int col, int width) {
    if (col < 0 || col >= GetColumnCount()) {
        return false;
    }
    QHeaderView* head = header();
    if (width == LVSCW_AUTOSIZE_USEHEADER && col == GetColumnCount() - 1) {
        head->setMinimumSectionSize(0);
        head->setStretchLastSection(true);
        return true;
    }
    if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
        resizeColumnToContents(col);
        if (width == LVSCW_AUTOSIZE_USEHEADER) {
            setColumnWidth(col, std::max(columnWidth(col), head->sectionSizeHint(col)));
        }
        return true;
    }
    setColumnWidth(col, std::max(0, width));
    return true;
}

int CVXListCtrl::GetColumnWidth(int col) const {
    return columnWidth(col);
}

int CVXListCtrl::InsertItem(int index, const QString& text) {
    return m_model->InsertRow(std::clamp(index, 0, GetItemCount()), text);
}

int CVXListCtrl::InsertItems(int index, std::vector<CVXListRow> rows) {
    return m_model->InsertRows(std::clamp(index, 0, GetItemCount()), std::move(rows));
}

bool CVXListCtrl::SetItemText(int item, int subItem, const QString& text) {
    if (item < 0 || item >= GetItemCount() || subItem < 0 || subItem >= GetColumnCount()) {
        return false;
    }
    m_model->SetText(item, subItem, text);
    return true;
}

QString CVXListCtrl::GetItemText(int item, int subItem) const {
    if (item < 0 || item >= GetItemCount() || subItem < 0) {
        return {};
    }
    return m_model->Text(item, subItem);
}

bool CVXListCtrl::SetItemData(int item, DWORD_PTR itemData) {
    if (item < 0 || item >= GetItemCount()) {
        return false;
    }
    m_model->rows[static_cast<size_t>(item)].data = itemData;
    return true;
}

DWORD_PTR CVXListCtrl::GetItemData(int item) const {
    return item >= 0 && item < GetItemCount() ? m_model->rows[static_cast<size_t>(item)].data : 0;
}

int CVXListCtrl::GetItemCount() const {
    return static_cast<int>(m_model->rows.size());
}

bool CVXListCtrl::DeleteItem(int item) {
    if (item < 0 || item >= GetItemCount()) {
        return false;
    }
    m_model->RemoveRow(item);
    return true;
}

bool CVXListCtrl::DeleteAllItems() {
    m_model->Clear();
    return true;
}

QModelIndex CVXListCtrl::RowIndex(int item) const {
    return m_model->index(item, 0);
}

bool CVXListCtrl::SetItemState(int item, UINT state, UINT mask) {
    const QModelIndex index = RowIndex(item);
    if (!index.isValid()) {
        return false;
    }
    QItemSelectionModel* selection = selectionModel();
    if (mask & LVIS_SELECTED) {
        const auto command =
            (state & LVIS_SELECTED) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect;
        if (selectionMode() == SingleSelection && (state & LVIS_SELECTED)) {
            selection->select(index,
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else {
            selection->select(index, command | QItemSelectionModel::Rows);
        }
    }
    if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) {
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    }
    return true;
}

UINT CVXListCtrl::GetItemState(int item, UINT mask) const {
    const QModelIndex index = RowIndex(item);
    if (!index.isValid()) {
        return 0;
    }
    UINT state = 0;
    if ((mask & LVIS_SELECTED) && selectionModel()->isRowSelected(item, {})) {
        state |= LVIS_SELECTED;
    }
    if ((mask & LVIS_FOCUSED) && currentIndex().row() == item) {
        state |= LVIS_FOCUSED;
    }
    return state;
}

int CVXListCtrl::GetNextItem(int start, UINT flags) const {
    const UINT wanted = flags & (LVNI_SELECTED | LVNI_FOCUSED);
    for (int item = std::max(-1, start) + 1; item < GetItemCount(); ++item) {
        UINT state = 0;
        if (wanted & LVNI_SELECTED) {
            state |= GetItemState(item, LVIS_SELECTED) ? LVNI_SELECTED : 0;
        }
        if (wanted & LVNI_FOCUSED) {
            state |= GetItemState(item, LVIS_FOCUSED) ? LVNI_FOCUSED : 0;
        }
        if ((state & wanted) == wanted) {
            return item;
        }
    }
    return -1;
}

UINT CVXListCtrl::GetSelectedCount() const {
    return static_cast<UINT>(selectionModel()->selectedRows().size());
}

bool CVXListCtrl::EnsureVisible(int item, bool) {
    const QModelIndex index = RowIndex(item);
    if (!index.isValid()) {
        return false;
    }
    scrollTo(index);
    return true;
}

} // namespace vx
