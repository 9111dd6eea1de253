#pragma once
// Context menus: a menu is a list of commands (id and text, "&Delete\tDel": the letter after
// "&" is the mnemonic, the text after the tab the key shown beside it) that the context-menu
// service shows and answers with the chosen command. The default service shows a QMenu; tests
// install one that answers from a script.

#include "ide/framework/widgets/win_types.h"

#include <QPoint>
#include <QString>
#include <vector>

class QWidget;

namespace vx {

struct MenuItem {
    UINT id = 0; // 0 with `separator`
    QString text;
    bool separator = false;
    bool enabled = true;
    bool checked = false;
};

struct ContextMenuRequest {
    std::vector<MenuItem> items;
    QPoint screen; // where the menu's top left corner goes
    QWidget* owner = nullptr;
};

class IContextMenuService {
public:
    // The id of the command chosen, or 0 when the menu was dismissed.
    virtual UINT Show(const ContextMenuRequest& request) = 0;

protected:
    ~IContextMenuService() = default;
};

// Installs `service` (null restores the QMenu one) and answers the one it replaces. The caller
// keeps ownership and keeps it alive while installed.
IContextMenuService* SetContextMenuService(IContextMenuService* service);
IContextMenuService& CurrentContextMenuService();

class CVXMenu {
public:
    CVXMenu& AppendMenu(UINT id, const QString& text);
    CVXMenu& AppendSeparator();
    // Removes the command `id`; false when the menu has none.
    bool RemoveMenu(UINT id);
    bool EnableMenuItem(UINT id, bool enable);
    bool CheckMenuItem(UINT id, bool check);
    int GetMenuItemCount() const { return static_cast<int>(m_items.size()); }
    // The command at `position`; 0 for a separator or a position out of range.
    UINT GetMenuItemID(int position) const;
    const std::vector<MenuItem>& Items() const { return m_items; }

    // Shows the menu with its top left corner at `screen` and answers the command chosen, or 0.
    UINT TrackPopupMenu(QPoint screen, QWidget* owner) const;

private:
    MenuItem* Find(UINT id);

    std::vector<MenuItem> m_items;
};

} // namespace vx
