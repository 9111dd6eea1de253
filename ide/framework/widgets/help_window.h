#pragma once
// The IDE's help window: topics are HTML pages of one folder, shown in a browser with back and
// forward and links between topics. Registered with the help object manager, it is the viewer
// that every page's help command ends in.

#include "ide/services/interfaces/help_service.h"

#include <QString>
#include <QWidget>

class QTextBrowser;
class QAction;

namespace vx {

class CHelpWindow final : public QWidget {
    Q_OBJECT
public:
    // Topics are looked up in `topicFolder`; the window stays hidden until a topic is shown.
    explicit CHelpWindow(QString topicFolder, QWidget* parent = nullptr);

    // Shows `topic` (a file name such as "KMApplicationFiles.htm") and brings the window up.
    // A topic that is not installed raises nothing here: it answers false with the reason.
    bool ShowTopic(const QString& topic, QString* reason = nullptr);
    QString CurrentTopic() const;
    // Whether the folder holds the contents page: false in an installation without its help.
    bool HasContents() const;
    QTextBrowser* Browser() const { return m_browser; }

private:
    QString m_folder;
    QTextBrowser* m_browser;
    QAction* m_back;
    QAction* m_forward;
};

// Makes `window` the viewer of the help object manager for as long as this object lives.
class CHelpViewerRegistration {
public:
    explicit CHelpViewerRegistration(CHelpWindow* window);
    ~CHelpViewerRegistration();
    CHelpViewerRegistration(const CHelpViewerRegistration&) = delete;
    CHelpViewerRegistration& operator=(const CHelpViewerRegistration&) = delete;

    // False when the help object manager could not be loaded (help then says why it cannot show).
    bool Registered() const { return static_cast<bool>(m_registry); }

private:
    ComPtr<IHelpViewerRegistry> m_registry;
};

} // namespace vx
