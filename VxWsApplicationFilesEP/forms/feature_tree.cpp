#include "VxWsApplicationFilesEP/forms/feature_tree.h"

namespace vx {

CFeatureTree::CFeatureTree(QWidget* parent) : CVXTreeCtrl(parent) {
    ModifyStyle(TVS_EDITLABELS, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_CHECKBOXES);
}

CFeatureTree::~CFeatureTree() {
    DeleteAllItems(); // frees the keys; the base's destructor cannot reach OnDeleteItem
}

HTREEITEM CFeatureTree::InsertFeature(const std::u16string& key, const QString& title,
                                      HTREEITEM parent, bool checked) {
    HTREEITEM item = InsertItem(title, 0, 0, parent, TVI_LAST);
    SetItemData(item, reinterpret_cast<DWORD_PTR>(new std::u16string(key)));
    SetCheck(item, checked);
    return item;
}

const std::u16string& CFeatureTree::FeatureKey(HTREEITEM item) const {
    static const std::u16string none;
    const auto* key = item ? reinterpret_cast<const std::u16string*>(GetItemData(item)) : nullptr;
    return key ? *key : none;
}

void CFeatureTree::OnClick(QPoint client) {
    if (onClick) {
        onClick(client);
    }
}

void CFeatureTree::OnKeyDown(UINT virtualKey, UINT repeatCount, UINT flags) {
    if (virtualKey == VK_SPACE && onCheckKey) {
        if (HTREEITEM caret = GetSelectedItem()) {
            onCheckKey(caret);
        }
    }
    CVXTreeCtrl::OnKeyDown(virtualKey, repeatCount, flags);
}

void CFeatureTree::OnDeleteItem(HTREEITEM, DWORD_PTR itemData) {
    delete reinterpret_cast<std::u16string*>(itemData);
}

} // namespace vx
