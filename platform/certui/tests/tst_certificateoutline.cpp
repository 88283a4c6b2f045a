#include "certificateoutline.h"

#include <certificatefactory.h>
#include <certificateitem.h>

#include <QtTest>

using Factory = CertificateFactory;

namespace {

QByteArray derOf(const IssuedCertificate &made)
{
    return Factory::toDer(made.certificate.data());
}

// The outline says what a full item of the same bytes says.
void compareWithFullParse(const QByteArray &der, const CertificateOutline &outline, const QByteArray &what)
{
    const X509Ptr parsed = Factory::fromDer(der);
    CertificateItem item;
    QVERIFY2(parsed && item.setCertificate(parsed.data()), what.constData());
    QCOMPARE(outline.shownStrings(), item.attribute(CertificateItem::DisplayStrings).toStringList());
    QCOMPARE(outline.isCa, item.isCA);
    QCOMPARE(outline.keyId, item.keyId);
    QCOMPARE(QStringList(outline.identity), item.attribute(CertificateItem::Identity).toStringList());
}

} // namespace

// A certificate's outline, read without decoding its key, against the full
// parse of the same bytes.
class TestCertificateOutline : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithTheFullParse_data()
    {
        QTest::addColumn<QByteArray>("der");
        const IssuedCertificate ca = Factory::makeCa(QStringLiteral("Outline Root"));
        Factory::Options options;
        options.commonName = QStringLiteral("user.example");
        QTest::newRow("EC user, issued by a CA") << derOf(Factory::makeIssued(options, ca));
        options.keyType = Factory::KeyType::Rsa;
        QTest::newRow("RSA CA") << derOf(Factory::makeCa(QStringLiteral("RSA Root"), options));
        options.commonName.clear();
        options.organization = QStringLiteral("Only An Organisation");
        options.notAfter = Factory::daysFromNow(-1);
        options.notBefore = Factory::daysFromNow(-9);
        QTest::newRow("expired, organisation only") << derOf(Factory::makeSelfSigned(options));
        options.organization.clear();
        options.serial = -4660;
        options.notBefore = Factory::daysFromNow(5);
        options.notAfter = Factory::daysFromNow(9);
        QTest::newRow("not yet valid, no name: the serial shown") << derOf(Factory::makeSelfSigned(options));
        options.commonName = QStringLiteral("First");
        options.extraSubject = { { QStringLiteral("CN"), QStringLiteral("Last") } };
        QTest::newRow("two common names: the last one shown") << derOf(Factory::makeSelfSigned(options));
        options.commonName = QString::fromUtf8("Zo\u00eb \u0166est");
        options.extraSubject.clear();
        QTest::newRow("text beyond ASCII") << derOf(Factory::makeSelfSigned(options));
    }

    void agreesWithTheFullParse()
    {
        QFETCH(QByteArray, der);
        OutlineCache cache;
        CertificateOutline outline;
        QVERIFY(CertificateOutline::read(der, &outline, &cache));
        compareWithFullParse(der, outline, "full parse");
        CertificateOutline fromItem;
        QVERIFY(CertificateOutline::of(Factory::fromDer(der).data(), &fromItem));
        QCOMPARE(fromItem.shownStrings(), outline.shownStrings());
    }

    void damagedImagesAreNeverMisread_data()
    {
        QTest::addColumn<QByteArray>("der");
        Factory::Options options;
        options.commonName = QStringLiteral("damaged.example");
        QTest::newRow("EC") << derOf(Factory::makeSelfSigned(options));
        options.keyType = Factory::KeyType::Rsa;
        options.rsaBits = 1024;
        options.isCa = true;
        QTest::newRow("RSA") << derOf(Factory::makeSelfSigned(options));
    }

    void damagedImagesAreNeverMisread()
    {
        QFETCH(QByteArray, der);
        QList<QPair<QByteArray, QByteArray>> images;
        for (int length = 0; length < der.size(); ++length)
            images.append({ "cut at " + QByteArray::number(length), der.left(length) });
        for (int at = 0; at < der.size(); ++at) {
            for (const char change : { char(0x01), char(0x80), char(0xff) }) {
                QByteArray changed = der;
                changed[at] = char(changed[at] ^ change);
                images.append(
                    { "byte " + QByteArray::number(at) + " ^ " + QByteArray::number(int(uchar(change))), changed });
            }
        }
        images.append({ "a byte after the end", der + '\0' });
        // The same certificate with its outer length in a longer form: the full
        // parse takes it, but its fingerprint is that of the shorter form.
        QByteArray longer = der;
        longer.insert(1, char(0x80 | ((uchar(der[1]) & 0x7f) + 1))).remove(2, 1).insert(2, '\0');
        images.append({ "outer length in a longer form", longer });
        // Seven unused bits claimed in the signature: the full parse clears them
        // and so fingerprints other bytes.
        const X509Ptr parsed = Factory::fromDer(der);
        const ASN1_BIT_STRING *signature = nullptr;
        X509_get0_signature(&signature, nullptr, parsed.data());
        QVERIFY(signature);
        QByteArray padded = der;
        padded[der.size() - ASN1_STRING_length(signature) - 1] = 7;
        images.append({ "signature with unused bits", padded });

        OutlineCache cache;
        int read = 0;
        for (const auto &image : images) {
            CertificateOutline outline;
            if (!CertificateOutline::read(image.second, &outline, &cache))
                continue;
            ++read;
            compareWithFullParse(image.second, outline, image.first);
            if (QTest::currentTestFailed())
                return;
        }
        // Changes to the signature and the key's numbers leave images that read.
        QVERIFY(read > 1);
    }
};

// Every cut and many changed bytes: the outline either refuses the image
// (the full parse then decides, as for any certificate) or reads what the
// full parse reads. Never past the image's end (the sanitizer build checks).
QTEST_GUILESS_MAIN(TestCertificateOutline)
#include "tst_certificateoutline.moc"
