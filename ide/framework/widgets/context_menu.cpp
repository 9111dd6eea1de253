#include "ide/framework/widgets/context_menu.h"

#include "ide/framework/service_slots.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

namespace vx {
namespace {

class QtContextMenus final : public IContextMenuService {
public:
    UINT Show(const ContextMenuRequest& request) override {
        QMenu menu(request.owner);
        for (const MenuItem& item : request.items) {
            if (item.separator) {
                menu.addSeparator();
                continue;
            }
            QAction* action = menu.addAction(item.text);
            action->setData(item.id);
            action->setEnabled(item.enabled);
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
        }
        const QAction* chosen = menu.exec(request.screen);
        return chosen ? chosen->data().toUInt() : 0;
    }
};

QtContextMenus g_qtMenus;

} // namespace

IContextMenuService* SetContextMenuService(IContextMenuService* service) {
    return std::exchange(detail::ContextMenuServiceSlot(), service);
}

IContextMenuService& CurrentContextMenuService() {
    IContextMenuService* installed = detail::ContextMenuServiceSlot();
    return installed ? *installed : g_qtMenus;
}

CVXMenu& CVXMenu::AppendMenu(UINT id, const QString& text) {
    m_items.push_back({id, text, false, true, false});
    return *this;
}

CVXMenu& CVXMenu::AppendSeparator() {
    m_items.push_back({0, {}, true, true, false});
    return *this;
}

MenuItem* CVXMenu::Find(UINT id) {
    const auto it = std::find_if(m_items.begin(), m_items.end(), [id](const MenuItem& item) {
        return !item.separator && item.id == id;
    });
    return it == m_items.end() ? nullptr : &*it;
}

bool CVXMenu::RemoveMenu(UINT id) {
    MenuItem* item = Find(id);
    if (!item) {
        return false;
    }
    m_items.erase(m_items.begin() + (item - m_items.data()));
    return true;
}

bool CVXMenu::EnableMenuItem(UINT id, bool enable) {
    MenuItem* item = Find(id);
    if (item) {
        item->enabled = enable;
    }
    return item != nullptr;
}

bool CVXMenu::CheckMenuItem(UINT id, bool check) {
    MenuItem* item = Find(id);
    if (item) {
        item->checked = check;
    }
    return item != nullptr;
}

UINT CVXMenu::GetMenuItemID(int position) const {
    if (position < 0 || position >= GetMenuItemCount()) {
        return 0;
    }
    return m_items[static_cast<size_t>(position)].id;
}

UINT CVXMenu::TrackPopupMenu(QPoint screen, QWidget* owner) const {
    return CurrentContextMenuService().Show({m_items, screen, owner});
}

} // namespace vx
