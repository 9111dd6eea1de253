#pragma once
// The new-file form's tree of the original setup's features: one item per feature under its
// parent, with a check box, each item owning its feature's key. The form hears of a check box
// about to change, by a click on it or by the space key, before the tree toggles it.

#include "ide/framework/widgets/tree_ctrl.h"

#include <functional>
#include <string>

namespace vx {

class CFeatureTree final : public CVXTreeCtrl {
    Q_OBJECT

public:
    explicit CFeatureTree(QWidget* parent = nullptr);
    ~CFeatureTree() override;

    // Appends the feature `key` titled `title` under `parent` (TVI_ROOT: the top level), image 0.
    HTREEITEM InsertFeature(const std::u16string& key, const QString& title, HTREEITEM parent,
                            bool checked);
    // The key of the item's feature; empty for no item.
    const std::u16string& FeatureKey(HTREEITEM item) const;

    // A left click, at client coordinates, before the tree acts on it.
    std::function<void(QPoint)> onClick;
    // The space key on `item` (the caret), before its check box toggles.
    std::function<void(HTREEITEM)> onCheckKey;

protected:
    void OnClick(QPoint client) override;
    void OnKeyDown(UINT virtualKey, UINT repeatCount, UINT flags) override;
    void OnDeleteItem(HTREEITEM item, DWORD_PTR itemData) override;
};

} // namespace vx
