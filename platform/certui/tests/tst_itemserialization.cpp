#include <certificateitem.h>

#include <certificatefactory.h>

#include <QtEndian>
#include <QtTest>

using Factory = CertificateFactory;

// The serialized form: round trips and everything it must refuse.
class TestItemSerialization : public QObject
{
    Q_OBJECT

private:
    static QByteArray imageOf(const CertificateItem &item);
    Factory::Issued m_ca;
    Factory::Issued m_user;

private slots:
    void initTestCase()
    {
        m_ca = Factory::makeCa(QStringLiteral("Serial CA"));
        Factory::Options options;
        options.commonName = QStringLiteral("Serial user ü");
        options.keyType = Factory::KeyType::Rsa;
        m_user = Factory::makeIssued(options, m_ca);
    }

    void roundTripWithoutKey()
    {
        CertificateItem item;
        QVERIFY(item.setCertificate(m_ca.certificate.data()));
        item.purposes = QStringList{ QStringLiteral("ssl"), QStringLiteral("wifi"), QStringLiteral("common-ca") };
        item.userDomains = 0;
        item.stored = true;
        item.authPreference = -7;
        item.itemType = 1;

        const QByteArray image = imageOf(item);
        QVERIFY(!image.isEmpty());
        CertificateItem copy;
        QVERIFY(CertificateItem::Deserialize(copy, image));
        QCOMPARE(X509_cmp(copy.cert, item.cert), 0);
        QCOMPARE(copy.commonName, item.commonName);
        QVERIFY(copy.isCA);
        QVERIFY(!copy.hasKey && !copy.privateKey);
        // Every field the image carries came back: the copy's image is the same.
        QCOMPARE(imageOf(copy), image);
    }

    void roundTripWithKey()
    {
        CertificateItem item;
        QVERIFY(item.setCertificate(m_user.certificate.data()));
        QVERIFY(item.setPrivateKey(m_user.key.data()));
        item.authPreference = 2;
        const QByteArray image = imageOf(item);

        CertificateItem copy;
        QVERIFY(CertificateItem::Deserialize(copy, image));
        QVERIFY(copy.hasKey);
        QCOMPARE(EVP_PKEY_eq(copy.privateKey, m_user.key.data()), 1);
        QCOMPARE(copy.authPreference, 2);
        QCOMPARE(copy.commonName, QStringLiteral("Serial user ü"));
        QVERIFY(!copy.isCA);

        // With the has-key flag cleared the key stays out of the image.
        item.hasKey = false;
        CertificateItem keyless;
        QVERIFY(CertificateItem::Deserialize(keyless, imageOf(item)));
        QVERIFY(!keyless.hasKey && !keyless.privateKey);
        QVERIFY(imageOf(item).size() < image.size());

        // A stored certificate whose key stays in the store: the flag travels
        // without the key.
        CertificateItem stored;
        QVERIFY(stored.setCertificate(m_user.certificate.data()));
        stored.hasKey = true;
        stored.authPreference = 1;
        CertificateItem flagged;
        QVERIFY(CertificateItem::Deserialize(flagged, imageOf(stored)));
        QVERIFY(flagged.hasKey && !flagged.privateKey);
        QCOMPARE(flagged.authPreference, 1);
    }

    void roundTripOfANameWithNulCharacters()
    {
        Factory::Options options;
        options.commonName = QString::fromUtf8("seed.example\0\0evil.test", 25);
        const auto issued = Factory::makeIssued(options, m_ca);
        CertificateItem item;
        QVERIFY(item.setCertificate(issued.certificate.data()));
        QCOMPARE(item.commonName.size(), 25);
        CertificateItem copy;
        QVERIFY(CertificateItem::Deserialize(copy, imageOf(item)));
        QCOMPARE(copy.commonName, item.commonName);
    }

    void refusesDamagedImages()
    {
        CertificateItem item;
        QVERIFY(item.setCertificate(m_user.certificate.data()));
        QVERIFY(item.setPrivateKey(m_user.key.data()));
        item.purposes = QStringList{ QStringLiteral("smime") };
        const QByteArray image = imageOf(item);

        CertificateItem target;
        QVERIFY(!CertificateItem::Deserialize(target, QByteArray()));
        // Every truncation, and any trailing byte.
        for (int length = 0; length < image.size(); ++length)
            QVERIFY2(!CertificateItem::Deserialize(target, image.left(length)), qPrintable(QString::number(length)));
        QVERIFY(!CertificateItem::Deserialize(target, image + '\0'));

        // (Random and bit-flipped images are the deserialize fuzz target's.)
        // Another version, and a length field promising more than there is.
        QByteArray future = image;
        qToBigEndian<quint16>(2, reinterpret_cast<uchar *>(future.data()) + 8);
        QVERIFY(!CertificateItem::Deserialize(target, future));
        QByteArray huge = image;
        qToBigEndian<quint32>(0x7fffffff, reinterpret_cast<uchar *>(huge.data()) + 10);
        QVERIFY(!CertificateItem::Deserialize(target, huge));

        // Oversized input is refused before it is looked at.
        QVERIFY(!CertificateItem::Deserialize(target, image + QByteArray(5 * 1024 * 1024, 'x')));
    }

    void refusesForeignAndInconsistentImages()
    {
        CertificateItem target;
        // The service tries DER first; a DER certificate must never pass here.
        QVERIFY(!CertificateItem::Deserialize(target, Factory::toDer(m_user.certificate.data())));
        QVERIFY(!CertificateItem::Deserialize(target, Factory::toPem(m_user.certificate.data())));

        CertificateItem item;
        QVERIFY(item.setCertificate(m_user.certificate.data()));
        // A key id that names another certificate.
        item.keyId = QString(40, QLatin1Char('a'));
        QVERIFY(!CertificateItem::Deserialize(target, imageOf(item)));
        QVERIFY(item.setCertificate(m_user.certificate.data()));
        // A CA flag the certificate does not carry.
        item.isCA = true;
        QVERIFY(!CertificateItem::Deserialize(target, imageOf(item)));
        item.isCA = false;
        // A private key that belongs to another certificate.
        QVERIFY(item.setPrivateKey(m_ca.key.data()));
        QVERIFY(!CertificateItem::Deserialize(target, imageOf(item)));
        QVERIFY(!target.cert);
    }
};

QByteArray TestItemSerialization::imageOf(const CertificateItem &item)
{
    QByteArray image;
    if (!item.serialize(image))
        return QByteArray();
    return image;
}

// Found by fuzzing: a certificate whose name holds NUL characters could be
// read, but its own image was refused.
QTEST_GUILESS_MAIN(TestItemSerialization)
#include "tst_itemserialization.moc"
