#include <certificateitem.h>

#include <certificatefactory.h>

#include <QtTest>

using Factory = CertificateFactory;

// Items made from certificates they cannot use or of odd content. (Their
// facts and attributes are what the models' tests and the applet's check;
// the validity period is judged by tst_validityscreening and the server
// check.)
class TestCertificateItem : public QObject
{
    Q_OBJECT

private slots:
    void refusesUnusableCertificates()
    {
        CertificateItem item;
        QVERIFY(!item.setCertificate(nullptr));

        // A certificate without a public key cannot be an item; a set item stays.
        const auto good = Factory::makeCa(QStringLiteral("Keeps"));
        QVERIFY(item.setCertificate(good.certificate.data()));
        X509 *empty = X509_new();
        QVERIFY(!item.setCertificate(empty));
        X509_free(empty);
        QCOMPARE(item.commonName, QStringLiteral("Keeps"));

        // An item without a certificate answers without crashing.
        CertificateItem none;
        QVERIFY(none.id_strings().isEmpty());
        QVERIFY(!none.expireDate().isValid());
        QCOMPARE(none.check_time(), 0);
        QVERIFY(none.attribute(CertificateItem::DisplayStrings).toStringList().isEmpty());
        QByteArray image;
        QVERIFY(!none.serialize(image));
    }

    void negativeSerialAndOddNames()
    {
        Factory::Options options;
        options.serial = -12345;
        options.commonName = QStringLiteral("Ünïcødé \"quoted\", CN");
        const auto negative = Factory::makeSelfSigned(options);

        CertificateItem item;
        QVERIFY(item.setCertificate(negative.certificate.data()));
        QCOMPARE(item.commonName, options.commonName);
        QVERIFY(item.id_strings().join(QLatin1Char('\n')).contains(QStringLiteral("-3039")));
        QCOMPARE(item.attribute(CertificateItem::DisplayStrings).toStringList().value(0), options.commonName);

        // Without a common name the organisation names the certificate.
        Factory::Options noName;
        noName.commonName.clear();
        noName.organization = QStringLiteral("Only Org");
        const auto orgOnly = Factory::makeSelfSigned(noName);
        QVERIFY(item.setCertificate(orgOnly.certificate.data()));
        QVERIFY(item.commonName.isEmpty());
        QCOMPARE(item.attribute(CertificateItem::DisplayStrings).toStringList().value(0), QStringLiteral("Only Org"));
    }
};

QTEST_GUILESS_MAIN(TestCertificateItem)
#include "tst_certificateitem.moc"
