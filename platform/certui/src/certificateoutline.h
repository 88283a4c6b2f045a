#ifndef CERTIFICATEOUTLINE_H
#define CERTIFICATEOUTLINE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

#include <openssl/asn1.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

struct Asn1TimeFree {
    void operator()(ASN1_TIME *time) const { ASN1_TIME_free(time); }
};
using OwnedAsn1Time = std::unique_ptr<ASN1_TIME, Asn1TimeFree>;

struct EcGroupFree {
    void operator()(EC_GROUP *group) const;
};
struct EcPointFree {
    void operator()(EC_POINT *point) const;
};
struct BnCtxFree {
    void operator()(BN_CTX *context) const;
};
struct EvpMdFree {
    void operator()(EVP_MD *digest) const;
};

// What reading one certificate sets up and the next one read in the same
// thread can use again: the named curves met so far (making a curve costs
// more than reading the rest of a certificate), a point and number scratch
// space for them, and the two digests.
class OutlineCache
{
public:
    struct Curve {
        std::unique_ptr<EC_GROUP, EcGroupFree> group;
        std::unique_ptr<EC_POINT, EcPointFree> point;
    };
    // Null for an unknown curve.
    Curve *curve(int nid);
    BN_CTX *numbers();
    const EVP_MD *sha1();
    const EVP_MD *sha256();

private:
    std::map<int, Curve> m_curves;
    std::unique_ptr<BN_CTX, BnCtxFree> m_numbers;
    std::unique_ptr<EVP_MD, EvpMdFree> m_sha1;
    std::unique_ptr<EVP_MD, EvpMdFree> m_sha256;
};

// What a list of certificates shows, sorts and filters by, read from the DER
// without decoding the public key. Decoding the key is most of a full parse,
// and a list of a thousand certificates needs only a screenful of full items.
struct CertificateOutline {
    QString name; // the subject's short name, else the serial number
    QString issuerName; // the issuer's short name
    OwnedAsn1Time notBefore;
    OwnedAsn1Time notAfter;
    bool isCa = false; // basic constraints say CA
    QString keyId; // the store's key id of the public key
    QString identity; // SHA-256 of the DER, lower-case hex

    // Reads plain DER of a certificate whose key a full parse would accept.
    // False, with the outline left as it was, for anything else: damaged
    // images, encodings a full parse would re-encode differently, keys of
    // kinds not checked here. Only a full parse can judge those.
    static bool read(const QByteArray &der, CertificateOutline *outline, OutlineCache *cache);

    // The same facts from a parsed certificate; false without a certificate
    // or a readable key.
    static bool of(X509 *cert, CertificateOutline *outline);

    // The name, issuer and validity in words, as the full item shows them.
    QStringList shownStrings() const;
};

#endif
