// The IDE's help window over the shipped topics, reached through the help service as a page
// reaches it: topics shown, links followed, back and forward, and topics that are not there.

#include "VxWsApplicationFilesEP/common/help_service_access.h"
#include "ide/framework/widgets/help_window.h"
#include "platform/com/com_exception.h"

#include <QTextBrowser>
#include <QtTest>

using namespace vx;

class HelpWindowTest : public QObject {
    Q_OBJECT
private slots:
    void pageTopicsAreShippedAndReachTheWindow();
    void linksBackAndForward();
    void missingTopicsAreRefusedWithTheFolder();
};

void HelpWindowTest::pageTopicsAreShippedAndReachTheWindow() {
    CHelpWindow window(QStringLiteral(VX_HELP_FOLDER));
    const CHelpViewerRegistration registration(&window);
    QVERIFY(registration.Registered());
    for (const char16_t* topic : {u"KMApplicationFiles.htm", u"KMAppFileModifiedCommonTab.htm",
                                  u"KMAppFileNewCommonTab.htm", u"IKMOriginalFilesContents.htm"}) {
        QVERIFY(ShowHelpTopic(topic, nullptr));
        QCOMPARE(window.CurrentTopic(), QString::fromUtf16(topic));
        QVERIFY(window.isVisible());
        QVERIFY(!window.Browser()->document()->isEmpty());
        QVERIFY(window.windowTitle().startsWith(QStringLiteral("Help: ")));
    }
}

void HelpWindowTest::linksBackAndForward() {
    CHelpWindow window(QStringLiteral(VX_HELP_FOLDER));
    QVERIFY(window.ShowTopic(QStringLiteral("KMAppFileNewCommonTab.htm")));
    QTextBrowser* browser = window.Browser();
    // Every link of a topic leads to a shipped topic.
    QVERIFY(browser->toHtml().contains(QStringLiteral("KMApplicationFiles.htm")));
    // What a click on the link does: the link resolved against the topic shown.
    browser->setSource(browser->source().resolved(QUrl(QStringLiteral("KMApplicationFiles.htm"))));
    QVERIFY(QFileInfo::exists(browser->source().toLocalFile()));
    QCOMPARE(window.CurrentTopic(), QStringLiteral("KMApplicationFiles.htm"));
    QVERIFY(browser->isBackwardAvailable());
    QApplication::setActiveWindow(&window);
    QTest::keySequence(&window, QKeySequence::Back);
    QCOMPARE(window.CurrentTopic(), QStringLiteral("KMAppFileNewCommonTab.htm"));
    QTest::keySequence(&window, QKeySequence::Forward);
    QCOMPARE(window.CurrentTopic(), QStringLiteral("KMApplicationFiles.htm"));
}

void HelpWindowTest::missingTopicsAreRefusedWithTheFolder() {
    CHelpWindow window(QStringLiteral(VX_HELP_FOLDER));
    const CHelpViewerRegistration registration(&window);
    for (const char* topic : {"NoSuchTopic.htm", "../content/KMApplicationFiles.htm", ""}) {
        QString reason;
        QVERIFY(!window.ShowTopic(QString::fromUtf8(topic), &reason));
        QVERIFY(reason.contains(QStringLiteral(VX_HELP_FOLDER)));
    }
    QVERIFY(!window.isVisible());
    // Through the service the refusal raises with the window's reason.
    try {
        ShowHelpTopic(u"NoSuchTopic.htm", nullptr);
        QFAIL("a missing topic raised nothing");
    } catch (const CComException& failure) {
        char16_t text[512] = {};
        failure.GetErrorMessage(text, 512, nullptr);
        QVERIFY(QString::fromUtf16(text).contains(QStringLiteral("is not installed")));
    }
}

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
