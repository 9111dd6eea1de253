#pragma once
// The report list of the forms and dialogs: rows of texts in columns, each row with item data,
// one or several rows selected, operations of a list view control. A QTreeView without
// branches over a model of plain row records, so that thousands of rows cost no widgets.

#include "ide/framework/widgets/win_types.h"

#include <QTreeView>

#include <vector>

namespace vx {

class CListRowModel;

// One row of a list: its texts, column 0 first, and its item data.
struct CVXListRow {
    std::vector<QString> texts;
    DWORD_PTR data = 0;
};

// List styles (Create, ModifyStyle) and extended styles.
inline constexpr uint32_t LVS_REPORT = 0x0001;
inline constexpr uint32_t LVS_SINGLESEL = 0x0004;
inline constexpr uint32_t LVS_SHOWSELALWAYS = 0x0008;
inline constexpr uint32_t LVS_NOSORTHEADER = 0x8000;
inline constexpr uint32_t LVS_EX_GRIDLINES = 0x0001;
inline constexpr uint32_t LVS_EX_FULLROWSELECT = 0x0020;

// Column formats and automatic widths.
inline constexpr int LVCFMT_LEFT = 0x0000;
inline constexpr int LVCFMT_RIGHT = 0x0001;
inline constexpr int LVCFMT_CENTER = 0x0002;
inline constexpr int LVSCW_AUTOSIZE = -1;
inline constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;

// Item states and GetNextItem flags.
inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;
inline constexpr UINT LVNI_ALL = 0x0000;
inline constexpr UINT LVNI_FOCUSED = 0x0001;
inline constexpr UINT LVNI_SELECTED = 0x0002;

class CVXListCtrl : public QTreeView {
    Q_OBJECT

public:
    explicit CVXListCtrl(QWidget* parent = nullptr);

    bool Create(uint32_t style, const QRect& rect, QWidget* parent, UINT id);
    void ModifyStyle(uint32_t remove, uint32_t add);
    uint32_t GetStyle() const { return m_style; }
    uint32_t SetExtendedStyle(uint32_t style);
    uint32_t GetExtendedStyle() const { return m_extendedStyle; }
    UINT GetDlgCtrlID() const;

    // Inserts a column at `col` (at most the column count); answers its index or -1.
    int InsertColumn(int col, const QString& heading, int format = LVCFMT_LEFT, int width = -1);
    int GetColumnCount() const;
    // A width in pixels, LVSCW_AUTOSIZE (the widest text) or LVSCW_AUTOSIZE_USEHEADER (the
    // last column: the rest of the list's width, at least the header's; another column: the
    // widest of texts and header).
    bool SetColumnWidth(int col, int width);
    int GetColumnWidth(int col) const;

    // Inserts a row at `index` (clamped to the row count) with `text` in column 0; answers its
    // index.
    int InsertItem(int index, const QString& text);
    // Inserts `rows` at `index` (clamped to the row count), first row first, as one change: the
    // view then lays itself out once, not once per row, which for thousands of rows is the
    // difference between milliseconds and seconds. Answers the index of the first row.
    int InsertItems(int index, std::vector<CVXListRow> rows);
    bool SetItemText(int item, int subItem, const QString& text);
    QString GetItemText(int item, int subItem) const;
    bool SetItemData(int item, DWORD_PTR itemData);
    DWORD_PTR GetItemData(int item) const;
    int GetItemCount() const;
    bool DeleteItem(int item);
    bool DeleteAllItems();

    // LVIS_SELECTED and LVIS_FOCUSED within `mask`.
    bool SetItemState(int item, UINT state, UINT mask);
    UINT GetItemState(int item, UINT mask) const;
    // The first row after `start` (-1: from the top) that has the states in `flags`, or -1.
    int GetNextItem(int start, UINT flags) const;
    UINT GetSelectedCount() const;
    bool EnsureVisible(int item, bool partialOk);

private:
    void ApplyStyle();
    QModelIndex RowIndex(int item) const;

    CListRowModel* m_model;
    uint32_t m_style = LVS_REPORT;
    uint32_t m_extendedStyle = 0;
};

} // namespace vx
