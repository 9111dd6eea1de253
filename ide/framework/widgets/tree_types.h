#pragma once
// Item handles and codes of the tree control, with the tree view's values.

#include "ide/framework/widgets/win_types.h"

#include <QMetaType>

namespace vx {

// One node of a tree. A handle stays valid until its node is deleted.
struct TreeNode;
using HTREEITEM = TreeNode*;

// Insert positions: under the top level, and first, last or in label order among the siblings.
extern TreeNode* const TVI_ROOT;
extern TreeNode* const TVI_FIRST;
extern TreeNode* const TVI_LAST;
extern TreeNode* const TVI_SORT;

// Tree styles (Create, ModifyStyle).
inline constexpr uint32_t TVS_HASBUTTONS = 0x0001;
inline constexpr uint32_t TVS_HASLINES = 0x0002;
inline constexpr uint32_t TVS_LINESATROOT = 0x0004;
inline constexpr uint32_t TVS_EDITLABELS = 0x0008;
inline constexpr uint32_t TVS_SHOWSELALWAYS = 0x0020;
inline constexpr uint32_t TVS_CHECKBOXES = 0x0100;

// Expand codes.
inline constexpr UINT TVE_COLLAPSE = 0x0001;
inline constexpr UINT TVE_EXPAND = 0x0002;
inline constexpr UINT TVE_TOGGLE = 0x0003;

// GetNextItem codes.
inline constexpr UINT TVGN_ROOT = 0x0000;
inline constexpr UINT TVGN_NEXT = 0x0001;
inline constexpr UINT TVGN_PREVIOUS = 0x0002;
inline constexpr UINT TVGN_PARENT = 0x0003;
inline constexpr UINT TVGN_CHILD = 0x0004;
inline constexpr UINT TVGN_CARET = 0x0009;

// Hit-test results.
inline constexpr UINT TVHT_NOWHERE = 0x0001;
inline constexpr UINT TVHT_ONITEMICON = 0x0002;
inline constexpr UINT TVHT_ONITEMLABEL = 0x0004;
inline constexpr UINT TVHT_ONITEMINDENT = 0x0008;
inline constexpr UINT TVHT_ONITEMBUTTON = 0x0010;
inline constexpr UINT TVHT_ONITEMRIGHT = 0x0020;
inline constexpr UINT TVHT_ONITEMSTATEICON = 0x0040;
inline constexpr UINT TVHT_ONITEM = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON;

} // namespace vx

Q_DECLARE_OPAQUE_POINTER(vx::TreeNode*)
