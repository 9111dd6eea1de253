// vxide as a person starts it: the real program, on the demo project and on projects that
// cannot be opened. Under Xvfb (CTest runs it through xvfb-run) the screenshot is drawn by the
// X server's xcb platform, as on a desktop, and both trees must show in it.

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Run {
    int exitCode = -1;
    QString output;
};

Run RunVxide(const QStringList& arguments, const QString& platform) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"QT_QPA_PLATFORM"_s, platform);
    environment.insert(u"XDG_STATE_HOME"_s, QDir::tempPath() + u"/vxide-test-state"_s);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(VX_VXIDE), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAll())};
}

// Where the pixels of one colour lie: how many, and their mean row.
struct ColourSpread {
    int count = 0;
    double meanRow = 0;
};

ColourSpread Spread(const QImage& image, QRgb colour) {
    ColourSpread spread;
    double rows = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                ++spread.count;
                rows += y;
            }
        }
    }
    spread.meanRow = spread.count ? rows / spread.count : 0;
    return spread;
}

} // namespace

class VxideProgramTest : public QObject {
    Q_OBJECT
private slots:
    void demoProjectShowsBothTrees() {
        const QString shot = QStringLiteral(VX_SHOT_DIR) + u"/vxide-demo-xcb.png"_s;
        QFile::remove(shot);
        const Run run = RunVxide({u"--screenshot"_s, shot}, u"xcb"_s);
        QVERIFY2(run.exitCode == 0, qPrintable(run.output));
        QImage image;
        QVERIFY(image.load(shot));
        image = image.convertToFormat(QImage::Format_RGB32);
        // The folder icons' yellow is only in the Original Setup Files tree; the new file's
        // green plus and the deleted file's red cross only in the Files To Patch tree below it.
        const ColourSpread folders = Spread(image, qRgb(255, 214, 90));
        const ColourSpread newFiles = Spread(image, qRgb(30, 150, 50));
        const ColourSpread deleted = Spread(image, qRgb(210, 30, 30));
        QVERIFY2(folders.count > 0, "no folder of the Original Setup Files tree drawn");
        QVERIFY2(newFiles.count > 0, "no new-file entry drawn in the Files To Patch tree");
        QVERIFY2(deleted.count > 0, "no deleted-file entry drawn in the Files To Patch tree");
        QVERIFY(folders.meanRow < newFiles.meanRow);
        QVERIFY(folders.meanRow < deleted.meanRow);
    }

    void projectsThatCannotBeOpened_data() {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << QByteArray() << u"cannot be opened"_s;
        QTest::newRow("not a project") << QByteArray("plain text, no database\n")
                                       << u"cannot be opened"_s;
    }
    void projectsThatCannotBeOpened() {
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString project = dir.filePath(u"broken.vxp"_s);
        if (!content.isEmpty()) {
            QFile file(project);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const QString shot = dir.filePath(u"shot.png"_s);
        const Run run = RunVxide({u"--screenshot"_s, shot, project}, u"offscreen"_s);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.output.contains(expected), qPrintable(run.output));
        QVERIFY(!QFile::exists(shot));
    }
};

QTEST_GUILESS_MAIN(VxideProgramTest)
#include "vxide_program_test.moc"
