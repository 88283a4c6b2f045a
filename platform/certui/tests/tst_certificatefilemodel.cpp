#include <certificatefile.h>
#include <certificatefilemodel.h>

#include <certificatefactory.h>
#include <temporarydeviceroot.h>

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using Factory = CertificateFactory;

// Scanning folders for certificate files.
class TestCertificateFileModel : public QObject
{
    Q_OBJECT

private:
    static QStringList populate(CertificateFileModel &model, const QStringList &paths, int expectedSignals = 1);
    static QStringList namesOf(const CertificateFileModel &model);

    Factory::Issued m_ca;
    QByteArray m_pem;

private slots:
    void initTestCase()
    {
        m_ca = Factory::makeCa(QStringLiteral("Scan CA"));
        m_pem = Factory::toPem(m_ca.certificate.data());
    }

    void scansAHomeFolder()
    {
        TemporaryDeviceRoot root;
        const QString home = root.home();
        auto write = [&](const QString &relative, const QByteArray &content) {
            return Factory::writeFile(home + QLatin1Char('/') + relative, content);
        };

        Factory::Options options;
        options.commonName = QStringLiteral("Leaf");
        const auto leaf = Factory::makeIssued(options, m_ca);
        QList<X509Ptr> bundle{ leaf.certificate, m_ca.certificate };

        // Found:
        QVERIFY(write(QStringLiteral("a.pem"), m_pem));
        QVERIFY(write(QStringLiteral("nested/deeper/b.CRT"), Factory::toDer(leaf.certificate.data())));
        QVERIFY(write(QStringLiteral("bundle.cer"), Factory::toPemBundle(bundle)));
        QVERIFY(write(QStringLiteral("archive.P12"), Factory::toPkcs12(leaf, "secret")));
        QVERIFY(write(QStringLiteral("folder.pem/inner.der"), Factory::toDer(m_ca.certificate.data())));
        // Not found:
        QVERIFY(write(QStringLiteral(".hidden/c.pem"), m_pem));
        QVERIFY(write(QStringLiteral("nested/.cache/d.pem"), m_pem));
        QVERIFY(write(QStringLiteral("notes.txt"), m_pem));
        QVERIFY(write(QStringLiteral("fake.pem"), "hello, not a certificate\n"));
        QVERIFY(write(QStringLiteral("keyonly.pem"), Factory::keyToPem(leaf.key.data())));
        QVERIFY(write(QStringLiteral("broken.p12"), QByteArray(300, '\x30')));
        QVERIFY(write(QStringLiteral("empty.crt"), QByteArray()));
        QVERIFY(write(QStringLiteral("big.pem"), m_pem + QByteArray(4 * 1024 * 1024, '\n')));
        // A loop back to home, a link to a folder outside, a dangling link and a
        // pipe with a certificate name: passed over without hanging.
        QVERIFY(write(QStringLiteral("../outside/e.pem"), m_pem));
        QCOMPARE(::symlink(qPrintable(home), qPrintable(home + QStringLiteral("/nested/loop"))), 0);
        QCOMPARE(::symlink(qPrintable(root.resolve(QStringLiteral("/home/outside"))),
                           qPrintable(home + QStringLiteral("/outside-link"))),
                 0);
        QCOMPARE(::symlink("/nonexistent/f.pem", qPrintable(home + QStringLiteral("/dangling.pem"))), 0);
        QCOMPARE(::mkfifo(qPrintable(home + QStringLiteral("/pipe.pem")), 0600), 0);
        // A link to a certificate file counts like the file.
        QCOMPARE(::symlink(qPrintable(root.resolve(QStringLiteral("/home/outside/e.pem"))),
                           qPrintable(home + QStringLiteral("/linked.pem"))),
                 0);

        CertificateFileModel model;
        const QStringList found = populate(model, QStringList(home));
        const QStringList expected{
            home + QStringLiteral("/a.pem"),      home + QStringLiteral("/archive.P12"),
            home + QStringLiteral("/bundle.cer"), home + QStringLiteral("/folder.pem/inner.der"),
            home + QStringLiteral("/linked.pem"), home + QStringLiteral("/nested/deeper/b.CRT"),
        };
        QCOMPARE(found, expected);

        // The program path at the head of a command line is nothing; a file
        // named directly counts by its content whatever its name; a path given
        // twice is one row; a folder that is not there, or a file named as a
        // folder, is nothing.
        QVERIFY(write(QStringLiteral("../given/mycertificate"), m_pem));
        const QString given = root.resolve(QStringLiteral("/home/given/mycertificate"));
        const QStringList direct = populate(
            model,
            QStringList{ QCoreApplication::applicationFilePath(), given, given, home + QStringLiteral("/notes.txt"),
                         home + QStringLiteral("/nowhere"), home + QStringLiteral("/a.pem/") });
        QCOMPARE(direct, (QStringList{ given, home + QStringLiteral("/notes.txt") }));
    }

    void repeatedPopulate()
    {
        TemporaryDeviceRoot root;
        QVERIFY(Factory::writeFile(root.home() + QStringLiteral("/x.pem"), m_pem));
        CertificateFileModel model;
        // Two calls in a row: each is answered once, the rows are the last scan's.
        QCOMPARE(populate(model, QStringList(root.home()), 2), QStringList(root.home() + QStringLiteral("/x.pem")));

        // A model destroyed while it scans leaves no signal and no crash behind.
        auto *doomed = new CertificateFileModel;
        QSignalSpy spy(doomed, &CertificateFileModel::modelPopulated);
        doomed->populate(QStringList(root.home()));
        delete doomed;
        QTest::qWait(100);
        QCOMPARE(spy.count(), 0);
    }
};

QStringList TestCertificateFileModel::namesOf(const CertificateFileModel &model)
{
    QStringList paths;
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex index = model.index(row, 0);
        auto *file = index.data(34).value<CertificateFile *>();
        if (!file || file->fileName() != index.data(Qt::DisplayRole).toString())
            return QStringList(QStringLiteral("<bad row>"));
        paths << file->path();
    }
    return paths;
}

QStringList TestCertificateFileModel::populate(CertificateFileModel &model, const QStringList &paths,
                                               int expectedSignals)
{
    QSignalSpy populated(&model, &CertificateFileModel::modelPopulated);
    for (int i = 0; i < expectedSignals; ++i)
        model.populate(paths);
    // The scan is never finished within populate(): the signal comes from
    // the event loop, after the caller has connected and set up its view.
    if (populated.count() != 0 || !model.isPopulating())
        return QStringList(QStringLiteral("<synchronous>"));
    if (!populated.wait(60000) && populated.count() == 0)
        return QStringList(QStringLiteral("<timeout>"));
    QTest::qWait(50); // nothing else may follow
    if (populated.count() != expectedSignals || model.isPopulating())
        return QStringList(QStringLiteral("<signalled %1 times>").arg(populated.count()));
    return namesOf(model);
}

QTEST_GUILESS_MAIN(TestCertificateFileModel)
#include "tst_certificatefilemodel.moc"
