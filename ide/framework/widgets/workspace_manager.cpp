#include "ide/framework/widgets/workspace_manager.h"

#include "ide/framework/widgets/control_id.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace vx {

CWorkspaceManager::CWorkspaceManager(QWidget* parent) : QTextBrowser(parent) {
    setOpenExternalLinks(true);
    setFrameShape(QFrame::NoFrame);
}

bool CWorkspaceManager::Create(uint32_t style, const QRect& rect, QWidget* parent, UINT id) {
    setParent(parent);
    setGeometry(rect);
    SetDlgCtrlID(this, id);
    setVisible((style & WS_VISIBLE) != 0);
    return true;
}

bool CWorkspaceManager::ShowWorkspace(const QString& name) {
    m_current = name;
    const QFileInfo file(name);
    if (!file.isFile() || !file.isReadable()) {
        clear();
        setPlainText(tr("The page %1 cannot be found.").arg(QDir::toNativeSeparators(name)));
        return false;
    }
    setSource(QUrl::fromLocalFile(file.absoluteFilePath()), QTextDocument::HtmlResource);
    return true;
}

} // namespace vx
