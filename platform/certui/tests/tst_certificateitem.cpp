#include <certificateitem.h>

#include <bastra_certman.h>
#include <certificatefactory.h>

#include <QtTest>

using Factory = CertificateFactory;

// Fields and attributes of items made from real certificates.
class TestCertificateItem : public QObject
{
    Q_OBJECT

private slots:
    void fieldsOfCaAndUserCertificates();
    void refusesUnusableCertificates();
    void validityPeriod();
    void negativeSerialAndOddNames();
    void attributes();
    void ownsItsOwnReferences();
};

static QString storeKeyId(X509 *cert)
{
    bastra_key_id id;
    char text[BASTRA_KEY_ID_TEXT_SIZE];
    if (bastra_certman_get_cert_key_id(cert, &id) != 0 || bastra_certman_key_id_to_str(&id, text, sizeof text) != 0)
        return QString();
    return QString::fromLatin1(text);
}

void TestCertificateItem::fieldsOfCaAndUserCertificates()
{
    const auto ca = Factory::makeCa(QStringLiteral("Test Root CA"));
    Factory::Options options;
    options.commonName = QStringLiteral("www.example.test");
    options.organization = QStringLiteral("Example Org");
    const auto user = Factory::makeIssued(options, ca);
    QVERIFY(!ca.isNull() && !user.isNull());

    CertificateItem caItem;
    QCOMPARE(caItem.authPreference, -1);
    QVERIFY(!caItem.hasKey && !caItem.stored && !caItem.privateKey && !caItem.cert);
    QVERIFY(caItem.setCertificate(ca.certificate.data()));
    QCOMPARE(caItem.commonName, QStringLiteral("Test Root CA"));
    QVERIFY(caItem.isCA);
    QCOMPARE(caItem.itemType, 1);
    QCOMPARE(caItem.keyId, storeKeyId(ca.certificate.data()));
    QCOMPARE(caItem.keyId.size(), 40);
    QCOMPARE(caItem.keyId, caItem.keyId.toLower());
    QVERIFY(caItem.purposes.isEmpty());

    CertificateItem userItem;
    QVERIFY(userItem.setCertificate(user.certificate.data()));
    QCOMPARE(userItem.commonName, QStringLiteral("www.example.test"));
    QVERIFY(!userItem.isCA);
    QCOMPARE(userItem.itemType, 2);
    QVERIFY(userItem.keyId != caItem.keyId);

    // A second certificate on the same key shares the store's key id.
    const auto sameKey = Factory::makeForKey(options, user.key);
    CertificateItem sameKeyItem;
    QVERIFY(sameKeyItem.setCertificate(sameKey.certificate.data()));
    QCOMPARE(sameKeyItem.keyId, userItem.keyId);

    // Setting another certificate replaces every derived field.
    QVERIFY(userItem.setCertificate(ca.certificate.data()));
    QVERIFY(userItem.isCA);
    QCOMPARE(userItem.commonName, QStringLiteral("Test Root CA"));
}

void TestCertificateItem::refusesUnusableCertificates()
{
    CertificateItem item;
    QVERIFY(!item.setCertificate(nullptr));
    QVERIFY(!item.cert);
    QVERIFY(item.keyId.isEmpty());

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

void TestCertificateItem::validityPeriod()
{
    const QDateTime start(QDate(2020, 3, 4), QTime(5, 6, 7), Qt::UTC);
    const QDateTime end(QDate(2021, 8, 9), QTime(10, 11, 12), Qt::UTC);
    Factory::Options expiredOptions;
    expiredOptions.notBefore = start;
    expiredOptions.notAfter = end;
    const auto expired = Factory::makeSelfSigned(expiredOptions);

    Factory::Options futureOptions;
    futureOptions.notBefore = QDateTime(QDate(2030, 1, 1), QTime(12, 0), Qt::UTC);
    futureOptions.notAfter = QDateTime(QDate(2031, 1, 1), QTime(12, 0), Qt::UTC);
    const auto future = Factory::makeSelfSigned(futureOptions);

    Factory::Options validOptions;
    const auto valid = Factory::makeSelfSigned(validOptions);

    CertificateItem item;
    QVERIFY(item.setCertificate(expired.certificate.data()));
    QVERIFY(item.check_time() < 0);
    QCOMPARE(item.expireDate(), end);
    QCOMPARE(item.attribute(CertificateItem::ValidityStart).toStringList(),
             QStringList(QStringLiteral("20200304050607Z")));

    QVERIFY(item.setCertificate(future.certificate.data()));
    QVERIFY(item.check_time() > 0);
    QCOMPARE(item.attribute(CertificateItem::ValidityStart).toStringList(),
             QStringList(QStringLiteral("20300101120000Z")));

    QVERIFY(item.setCertificate(valid.certificate.data()));
    QCOMPARE(item.check_time(), 0);
    QVERIFY(item.expireDate() > QDateTime::currentDateTimeUtc());
}

void TestCertificateItem::negativeSerialAndOddNames()
{
    Factory::Options options;
    options.serial = -12345;
    options.commonName = QStringLiteral("Ünïcødé \"quoted\", CN");
    const auto negative = Factory::makeSelfSigned(options);
    QVERIFY(!negative.isNull());

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

void TestCertificateItem::attributes()
{
    const auto ca = Factory::makeCa(QStringLiteral("Issuer CA"));
    Factory::Options options;
    options.commonName = QStringLiteral("Leaf");
    const auto first = Factory::makeIssued(options, ca);
    const auto second = Factory::makeIssued(options, ca); // same name, other certificate

    CertificateItem a;
    CertificateItem b;
    QVERIFY(a.setCertificate(first.certificate.data()));
    QVERIFY(b.setCertificate(second.certificate.data()));

    const QStringList shown = a.attribute(CertificateItem::DisplayStrings).toStringList();
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown.at(0), QStringLiteral("Leaf"));
    QVERIFY(shown.at(1).contains(QStringLiteral("Issuer CA")));

    QCOMPARE(a.attribute(34).value<CertificateItem *>(), &a);
    // Both pointer types are known by name from the moment the library is
    // loaded; a variant of another type gives a null pointer.
    QVERIFY(QMetaType::type("CertificateItem*") != QMetaType::UnknownType);
    QVERIFY(QMetaType::type("CertificateFile*") != QMetaType::UnknownType);
    QVERIFY(!QVariant(42).value<CertificateItem *>());
    QVariant pointer = a.attribute(34);
    QCOMPARE(QString::fromLatin1(pointer.typeName()), QStringLiteral("CertificateItem*"));

    // The identity tells equally named certificates apart and is one string,
    // so a model's match() can compare it.
    const QStringList idA = a.attribute(CertificateItem::Identity).toStringList();
    const QStringList idB = b.attribute(CertificateItem::Identity).toStringList();
    QCOMPARE(idA.size(), 1);
    QVERIFY(idA != idB);
    QCOMPARE(a.attribute(CertificateItem::Identity).toString(), idA.first());
    QVERIFY(a.attribute(CertificateItem::SortKey).toString().startsWith(QStringLiteral("leaf")));
    QVERIFY(a.id_strings() != b.id_strings());
    QCOMPARE(a.id_strings().size(), 4);

    QCOMPARE(a.attribute(CertificateItem::Manageable).toInt(), 1);
    a.userDomains = 0;
    QCOMPARE(a.attribute(CertificateItem::Manageable).toInt(), 0);
    QVERIFY(!a.attribute(12345).isValid());
}

void TestCertificateItem::ownsItsOwnReferences()
{
    auto material = Factory::makeCa(QStringLiteral("Owned"));
    auto *item = new CertificateItem;
    QVERIFY(item->setCertificate(material.certificate.data()));
    QVERIFY(item->setPrivateKey(material.key.data()));
    QVERIFY(item->hasKey);
    QVERIFY(!item->setPrivateKey(nullptr));
    // The caller frees its own objects; the item's stay usable.
    material.certificate.reset();
    material.key.reset();
    QCOMPARE(item->commonName, QStringLiteral("Owned"));
    QVERIFY(!item->id_strings().isEmpty());
    QVERIFY(EVP_PKEY_get_bits(item->privateKey) > 0);
    delete item;
}

QTEST_GUILESS_MAIN(TestCertificateItem)
#include "tst_certificateitem.moc"
