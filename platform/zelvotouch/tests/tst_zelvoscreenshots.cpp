#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

// The sample program renders its pages headless; the pictures must show
// something: text and shapes in many colours, not an empty window.
class TestZelvoScreenshots : public QObject
{
    Q_OBJECT

private slots:
    void samplePagesAreRealPictures()
    {
        QTemporaryDir dir;
        const QString program = QString::fromLocal8Bit(qgetenv("TRUSTKEEP_BUILD_DIR")) + QStringLiteral("/bin/zelvo-gallery");
        QProcess gallery;
        gallery.start(program, {QStringLiteral("--screenshots"), dir.path()});
        QVERIFY2(gallery.waitForFinished(60000), qPrintable(program));
        QCOMPARE(gallery.exitCode(), 0);

        const QStringList expected = {"question.png", "question-two-certificates.png", "messagebox.png", "dialog.png", "banner.png",
                                      "list-spinner.png", "list.png", "list-empty.png"};
        QSet<QByteArray> distinctPictures;
        for (const QString &name : expected) {
            const QImage image(QDir(dir.path()).filePath(name));
            QVERIFY2(!image.isNull(), qPrintable(name));
            QCOMPARE(image.size(), QSize(480, 854));
            QSet<QRgb> colours;
            int lit = 0;
            for (int y = 0; y < image.height(); y += 2) {
                for (int x = 0; x < image.width(); x += 2) {
                    const QRgb pixel = image.pixel(x, y);
                    colours.insert(pixel);
                    if (qGray(pixel) > 128)
                        ++lit;
                }
            }
            // Anti-aliased text alone brings dozens of shades.
            QVERIFY2(colours.size() > 40, qPrintable(QStringLiteral("%1: %2 colours").arg(name).arg(colours.size())));
            QVERIFY2(lit > 200, qPrintable(QStringLiteral("%1: %2 light pixels").arg(name).arg(lit)));
            distinctPictures.insert(QByteArray(reinterpret_cast<const char *>(image.constBits()), int(image.sizeInBytes())));
        }
        QCOMPARE(distinctPictures.size(), expected.size());

        QProcess bad;
        bad.start(program, {QStringLiteral("--screenshots")});
        QVERIFY(bad.waitForFinished(20000));
        QCOMPARE(bad.exitCode(), 2);
    }
};

QTEST_GUILESS_MAIN(TestZelvoScreenshots)

#include "tst_zelvoscreenshots.moc"
