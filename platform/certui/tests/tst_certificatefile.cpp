#include "widgettesting.h"

#include <certificatefile.h>
#include <certificateitem.h>

#include <certificatefactory.h>
#include <temporarydeviceroot.h>

#include <QtTest>

#include <sys/stat.h>

using Factory = CertificateFactory;
using WidgetTesting::DialogAnswerer;

// Reading certificate files of every kind. (DER files and archives without a
// password are among the installer's files.)
class TestCertificateFile : public QObject
{
    Q_OBJECT

private:
    QString write(const QString &name, const QByteArray &content);

    TemporaryDeviceRoot m_root;
    Factory::Issued m_ca;
    Factory::Issued m_leaf;

private slots:
    void initTestCase()
    {
        m_ca = Factory::makeCa(QStringLiteral("File CA"));
        Factory::Options options;
        options.commonName = QStringLiteral("File Leaf");
        m_leaf = Factory::makeIssued(options, m_ca);
    }

    void pemBundleWithMatchingKey()
    {
        // The key comes first and belongs to the second certificate, whose
        // BEGIN line is glued onto the END line before it (bundles made with
        // cat from a file without its final newline).
        const QByteArray pem = Factory::keyToPem(m_leaf.key.data()) + "some text between blocks\n"
            + Factory::toPem(m_ca.certificate.data()).chopped(1) + Factory::toPem(m_leaf.certificate.data());
        CertificateFile file(write(QStringLiteral("bundle.pem"), pem));
        QVERIFY(!file.isLoaded());
        QVERIFY(file.load());
        QVERIFY(file.isLoaded());
        QCOMPARE(file.format(), CertificateFile::PemFormat);
        QCOMPARE(file.count(), 2);
        CertificateItem *ca = file.certificates().at(0);
        CertificateItem *leaf = file.certificates().at(1);
        QCOMPARE(ca->commonName, QStringLiteral("File CA"));
        QVERIFY(ca->isCA && !ca->hasKey && !ca->privateKey);
        QCOMPARE(leaf->commonName, QStringLiteral("File Leaf"));
        QVERIFY(leaf->hasKey);
        QCOMPARE(EVP_PKEY_eq(leaf->privateKey, m_leaf.key.data()), 1);
        for (CertificateItem *item : file.certificates()) {
            QVERIFY(!item->stored);
            QVERIFY(item->purposes.isEmpty());
            QVERIFY(item->authPreference < 0);
        }

        // A key that matches no certificate is dropped; loading again is fresh.
        const auto stranger = Factory::makeCa(QStringLiteral("Stranger"));
        CertificateFile lonely(write(QStringLiteral("lonely.crt"),
                                     Factory::toPem(m_ca.certificate.data()) + Factory::keyToPem(stranger.key.data())));
        QVERIFY(lonely.load());
        QVERIFY(lonely.load());
        QCOMPARE(lonely.count(), 1);
        QVERIFY(!lonely.certificates().first()->hasKey);
    }

    void pkcs12WithPasswordThroughTheDialog()
    {
        const QString path = write(QStringLiteral("locked.p12"), Factory::toPkcs12(m_leaf, "sésame"));
        DialogAnswerer answers;
        // Two wrong passwords, each followed by the notice, then the right one.
        answers.enqueue({ true, QStringLiteral("wrong"), {}, {} });
        answers.enqueue({ true, QString(), {}, {} });
        answers.enqueue({ true, QStringLiteral("sésame"), {}, {} });
        CertificateFile file(path);
        QVERIFY(file.load());
        QCOMPARE(answers.answered(), 3);
        QVERIFY(answers.noticesSeen().at(0).isEmpty());
        QVERIFY(!answers.noticesSeen().at(1).isEmpty());
        QVERIFY(!answers.noticesSeen().at(2).isEmpty());
        QCOMPARE(file.count(), 1);
        QVERIFY(file.certificates().first()->hasKey);

        // Cancelling the dialog ends the loading.
        answers.enqueue({ true, QStringLiteral("wrong"), {}, {} });
        answers.enqueue({ false, {}, {}, {} });
        CertificateFile cancelled(path);
        QVERIFY(!cancelled.load());
        QCOMPARE(cancelled.count(), 0);
        QVERIFY(answers.allAnswered());
    }

    void encryptedPemKeys()
    {
        Factory::Options options;
        options.commonName = QStringLiteral("Second");
        const auto second = Factory::makeIssued(options, m_ca);
        // Two keys under one password: asked once, the second key opens with it.
        const QByteArray pem = Factory::toPem(m_leaf.certificate.data())
            + Factory::keyToEncryptedPem(m_leaf.key.data(), "pem-pass") + Factory::toPem(second.certificate.data())
            + Factory::keyToEncryptedPem(second.key.data(), "pem-pass");
        const QString path = write(QStringLiteral("encrypted.pem"), pem);
        DialogAnswerer answers;
        answers.enqueue({ true, QStringLiteral("nope"), {}, {} });
        answers.enqueue({ true, QStringLiteral("pem-pass"), {}, {} });
        CertificateFile file(path);
        QVERIFY(file.load());
        QCOMPARE(answers.answered(), 2);
        QCOMPARE(file.count(), 2);
        QVERIFY(file.certificates().at(0)->hasKey);
        QVERIFY(file.certificates().at(1)->hasKey);
        QCOMPARE(EVP_PKEY_eq(file.certificates().at(1)->privateKey, second.key.data()), 1);

        answers.enqueue({ false, {}, {}, {} });
        CertificateFile cancelled(path);
        QVERIFY(!cancelled.load());
    }

    void refusesUnusableFiles()
    {
        // (Files of no certificate, key only, empty or too large are the file
        // model's scan.)
        QVERIFY(!CertificateFile(m_root.home() + QStringLiteral("/missing.pem")).load());
        QVERIFY(!CertificateFile(write(QStringLiteral("garbage.der"), QByteArray(64, '\x30'))).load());
        // A folder where a file should be.
        QVERIFY(QDir().mkpath(m_root.home() + QStringLiteral("/folder.pem")));
        CertificateFile folder(m_root.home() + QStringLiteral("/folder.pem"));
        QVERIFY(!folder.load());
        QCOMPARE(folder.count(), 0);
        // A pipe with a certificate's name is refused, not waited on.
        const QString pipe = m_root.home() + QStringLiteral("/pipe.pem");
        QCOMPARE(::mkfifo(qPrintable(pipe), 0600), 0);
        QVERIFY(!CertificateFile(pipe).load());
        // A damaged PEM block after a good one keeps the good one.
        CertificateFile partial(write(QStringLiteral("partial.pem"),
                                      Factory::toPem(m_ca.certificate.data())
                                          + "-----BEGIN CERTIFICATE-----\n!!!!\n-----END CERTIFICATE-----\n"));
        QVERIFY(partial.load());
        QCOMPARE(partial.count(), 1);
    }
};

QString TestCertificateFile::write(const QString &name, const QByteArray &content)
{
    const QString path = m_root.home() + QLatin1Char('/') + name;
    return Factory::writeFile(path, content) ? path : QString();
}

CERTUI_WIDGET_TEST_MAIN(TestCertificateFile)
#include "tst_certificatefile.moc"
