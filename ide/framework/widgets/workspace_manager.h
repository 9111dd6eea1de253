#pragma once
// The page host of a workspace's right-hand pane: shows one of the IDE's HTML pages (a contents
// page, help text) by file name, with Qt's rich-text browser; links inside the IDE's pages are
// followed in place, links to the web open in the desktop's browser.

#include "ide/framework/widgets/win_types.h"

#include <QTextBrowser>

namespace vx {

class CWorkspaceManager : public QTextBrowser {
    Q_OBJECT

public:
    explicit CWorkspaceManager(QWidget* parent = nullptr);

    // Makes the host a child of `parent` with control id `id`; WS_VISIBLE shows it.
    bool Create(uint32_t style, const QRect& rect, QWidget* parent, UINT id);

    // Shows the page in file `name` (a full path). A file that cannot be read shows a short
    // note naming it instead; answers whether the page itself is shown.
    bool ShowWorkspace(const QString& name);
    // The file last asked for.
    const QString& CurrentWorkspace() const { return m_current; }

private:
    QString m_current;
};

} // namespace vx
