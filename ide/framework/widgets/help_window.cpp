#include "ide/framework/widgets/help_window.h"

#include "ide/framework/service_object_loader.h"
#include "platform/com/com_exception.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace vx {
namespace {

constexpr char16_t kContentsTopic[] = u"IKMOriginalFilesContents.htm";

class HelpTopicViewer final : public ComObject<HelpTopicViewer, IHelpTopicViewer> {
public:
    explicit HelpTopicViewer(CHelpWindow* window) : m_window(window) {}

    HRESULT ShowTopic(BSTR topic, void*) override {
        const QString name = QString::fromUtf16(topic, static_cast<qsizetype>(SysStringLen(topic)));
        QString reason;
        if (!m_window->ShowTopic(name, &reason)) {
            return FailWithDescription(E_FAIL, reason.toStdU16String());
        }
        return S_OK;
    }

private:
    CHelpWindow* m_window;
};

} // namespace

CHelpWindow::CHelpWindow(QString topicFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(std::move(topicFolder)),
      m_browser(new QTextBrowser(this)) {
    setWindowTitle(tr("Help"));
    setAccessibleName(tr("Help"));
    m_browser->setSearchPaths({m_folder});
    m_browser->setOpenLinks(true);
    // Links to the web leave the IDE; links between topics stay in this window.
    m_browser->setOpenExternalLinks(true);
    m_browser->setAccessibleName(tr("Help topic"));

    auto* tools = new QToolBar(this);
    m_back = tools->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("&Back"), m_browser,
                              &QTextBrowser::backward);
    m_back->setShortcut(QKeySequence::Back);
    m_forward = tools->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("&Forward"),
                                 m_browser, &QTextBrowser::forward);
    m_forward->setShortcut(QKeySequence::Forward);
    QAction* contents =
        tools->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), tr("&Contents"), this,
                         [this] { ShowTopic(QString::fromUtf16(kContentsTopic)); });
    contents->setShortcut(Qt::ALT | Qt::Key_Home);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? tr("Help") : tr("Help: %1").arg(title));
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_browser);
    resize(640, 720);
}

bool CHelpWindow::ShowTopic(const QString& topic, QString* reason) {
    // A topic names a file of the help folder, never a path leading elsewhere.
    const QFileInfo file(QDir(m_folder), topic);
    if (topic.isEmpty() || topic.contains(u'/') || topic.contains(u'\\') || !file.isFile()) {
        if (reason) {
            *reason = tr("The help topic \"%1\" is not installed (looked for it in %2).")
                          .arg(topic, QDir::toNativeSeparators(m_folder));
        }
        return false;
    }
    m_browser->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
    show();
    raise();
    activateWindow();
    return true;
}

bool CHelpWindow::HasContents() const {
    return QFileInfo(QDir(m_folder), QString::fromUtf16(kContentsTopic)).isFile();
}

QString CHelpWindow::CurrentTopic() const {
    return m_browser->source().fileName();
}

CHelpViewerRegistration::CHelpViewerRegistration(CHelpWindow* window) {
    CLSID clsid;
    ComPtr<IDispatch> manager;
    if (FAILED(CLSIDFromString(kHelpManagerClassText, &clsid)) ||
        FAILED(CreateServiceObject(kHelpManagerModule, clsid, manager)) ||
        FAILED(manager.As(m_registry))) {
        m_registry.Reset();
        return;
    }
    const ComPtr<HelpTopicViewer> viewer = MakeComObject<HelpTopicViewer>(window);
    if (FAILED(m_registry->SetViewer(viewer.Get()))) {
        m_registry.Reset();
    }
}

CHelpViewerRegistration::~CHelpViewerRegistration() {
    if (m_registry) {
        m_registry->SetViewer(nullptr);
    }
}

} // namespace vx
