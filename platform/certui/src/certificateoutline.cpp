#include "certificateoutline.h"

#include "certificatefacts.h"
#include "shownstrings.h"

#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/sha.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <vector>

namespace {

// One DER element inside a bounded buffer.
struct Element {
    const unsigned char *begin = nullptr;
    const unsigned char *content = nullptr;
    long length = 0;
    int tag = 0;
    int tagClass = 0;
    bool constructed = false;

    const unsigned char *end() const { return content + length; }
    long size() const { return long(end() - begin); }
    bool is(int wantedTag, int wantedClass, bool wantedConstructed) const
    {
        return tag == wantedTag && tagClass == wantedClass && constructed == wantedConstructed;
    }
    bool isSequence() const { return is(V_ASN1_SEQUENCE, V_ASN1_UNIVERSAL, true); }
    bool isContext(int wantedTag) const { return is(wantedTag, V_ASN1_CONTEXT_SPECIFIC, true); }
};

// The element at the start of [from, to). False for a damaged header, a
// length running past the end, or an indefinite length (never DER).
bool elementAt(const unsigned char *from, const unsigned char *to, Element *element)
{
    if (from >= to)
        return false;
    const unsigned char *cursor = from;
    long length = 0;
    int tag = 0;
    int tagClass = 0;
    const int flags = ASN1_get_object(&cursor, &length, &tag, &tagClass, long(to - from));
    if ((flags & 0x80) || (flags & 0x01) || length < 0 || length > long(to - cursor))
        return false;
    *element = { from, cursor, length, tag, tagClass, (flags & V_ASN1_CONSTRUCTED) != 0 };
    return true;
}

// The elements filling a constructed element exactly; false when they do not
// or there are more than `most`.
bool childrenOf(const Element &outer, size_t most, std::vector<Element> *children)
{
    children->clear();
    children->reserve(most);
    for (const unsigned char *at = outer.content; at < outer.end();) {
        Element child;
        if (children->size() == most || !elementAt(at, outer.end(), &child))
            return false;
        children->push_back(child);
        at = child.end();
    }
    return true;
}

// A header in its shortest form, as an encoder writes it back.
bool hasShortestHeader(const Element &element)
{
    long lengthBytes = 0;
    for (long rest = element.length; rest > 0; rest >>= 8)
        ++lengthBytes;
    const long expected = 1 + (element.length < 128 ? 1 : 1 + lengthBytes);
    return element.tag < 31 && element.content - element.begin == expected;
}

template <typename T, void (*Free)(T *)> struct Freer {
    void operator()(T *object) const { Free(object); }
};
template <typename T, void (*Free)(T *)> using Owned = std::unique_ptr<T, Freer<T, Free>>;

// The element decoded by OpenSSL's own decoder for its type; null unless the
// decoder takes exactly the element's bytes.
template <typename T, void (*Free)(T *)>
Owned<T, Free> decoded(T *(*decode)(T **, const unsigned char **, long), const Element &element)
{
    const unsigned char *cursor = element.begin;
    Owned<T, Free> object(decode(nullptr, &cursor, element.size()));
    return object && cursor == element.end() ? std::move(object) : nullptr;
}

using OwnedName = Owned<X509_NAME, X509_NAME_free>;
using OwnedInteger = Owned<ASN1_INTEGER, ASN1_INTEGER_free>;
using OwnedAlgorithm = Owned<X509_ALGOR, X509_ALGOR_free>;
using OwnedBits = Owned<ASN1_BIT_STRING, ASN1_BIT_STRING_free>;
using OwnedValidity = Owned<X509_VAL, X509_VAL_free>;

// Encoded again by OpenSSL, the element comes out as the same bytes.
template <typename T>
bool encodesBackTo(int (*encode)(const T *, unsigned char **), const T *object, const Element &element)
{
    unsigned char *bytes = nullptr;
    const int length = encode(object, &bytes);
    const bool same = length == element.size() && std::equal(bytes, bytes + length, element.begin);
    OPENSSL_free(bytes);
    return same;
}

bool isPositiveInteger(const Element &element)
{
    return element.is(V_ASN1_INTEGER, V_ASN1_UNIVERSAL, false) && element.length > 0 && element.content[0] < 0x80;
}

// A point of a named curve, as the key's decoder checks it. Only the point:
// building the whole key is what the outline saves.
bool isPointOnCurve(OutlineCache::Curve *curve, BN_CTX *numbers, const unsigned char *data, int length)
{
    return curve && numbers
        && EC_POINT_oct2point(curve->group.get(), curve->point.get(), data, size_t(length), numbers) == 1
        && !EC_POINT_is_at_infinity(curve->group.get(), curve->point.get());
}

// Whether a full parse would decode the key: the kinds checked here with the
// shape their decoders need. Other kinds are left to the full parse.
bool keyLooksDecodable(const X509_ALGOR *algorithm, const ASN1_BIT_STRING *bits, OutlineCache *cache)
{
    const ASN1_OBJECT *object = nullptr;
    int parameterType = V_ASN1_UNDEF;
    const void *parameter = nullptr;
    X509_ALGOR_get0(&object, &parameterType, &parameter, algorithm);
    const int length = ASN1_STRING_length(bits);
    const unsigned char *data = ASN1_STRING_get0_data(bits);
    if ((bits->flags & 0x07) != 0 || length <= 0)
        return false;
    switch (OBJ_obj2nid(object)) {
    case NID_rsaEncryption: {
        Element key;
        std::vector<Element> numbers;
        return (parameterType == V_ASN1_UNDEF || parameterType == V_ASN1_NULL) && elementAt(data, data + length, &key)
            && key.end() == data + length && key.isSequence() && childrenOf(key, 2, &numbers) && numbers.size() == 2
            && isPositiveInteger(numbers[0]) && isPositiveInteger(numbers[1]);
    }
    case NID_X9_62_id_ecPublicKey:
        return parameterType == V_ASN1_OBJECT
            && isPointOnCurve(cache->curve(OBJ_obj2nid(static_cast<const ASN1_OBJECT *>(parameter))), cache->numbers(),
                              data, length);
    case NID_ED25519:
    case NID_X25519:
        return parameterType == V_ASN1_UNDEF && length == 32;
    case NID_ED448:
        return parameterType == V_ASN1_UNDEF && length == 57;
    case NID_X448:
        return parameterType == V_ASN1_UNDEF && length == 56;
    default:
        return false;
    }
}

QString hexOf(const unsigned char *digest, int length)
{
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(digest), length).toHex());
}

// An object identifier's content as OpenSSL's decoder takes it: not empty,
// ending a sub-identifier, none of which starts with a padding byte.
bool isObjectIdentifier(const Element &element)
{
    if (!element.is(V_ASN1_OBJECT, V_ASN1_UNIVERSAL, false) || element.length == 0
        || (element.content[element.length - 1] & 0x80))
        return false;
    for (long i = 0; i < element.length; ++i) {
        if (element.content[i] == 0x80 && (i == 0 || !(element.content[i - 1] & 0x80)))
            return false;
    }
    return true;
}

// One extension in the plain form OpenSSL's decoder takes: identifier, the
// critical flag when present, the value as a primitive octet string.
// Anything else is left to the full parse. The value goes to *value.
bool readExtension(const Element &element, Element *identifier, Element *value)
{
    std::vector<Element> fields;
    if (!element.isSequence() || !childrenOf(element, 3, &fields) || fields.size() < 2)
        return false;
    const bool flagged = fields.size() == 3;
    if (flagged && !(fields[1].is(V_ASN1_BOOLEAN, V_ASN1_UNIVERSAL, false) && fields[1].length == 1))
        return false;
    *identifier = fields[0];
    *value = fields.back();
    return isObjectIdentifier(*identifier) && value->is(V_ASN1_OCTET_STRING, V_ASN1_UNIVERSAL, false);
}

// Basic constraints as the library's own extension cache reads them: one
// decodable extension saying CA. Duplicates or damage mean not a CA.
bool saysCa(const Element *constraints)
{
    if (!constraints)
        return false;
    const unsigned char *cursor = constraints->content;
    BASIC_CONSTRAINTS *decoded = d2i_BASIC_CONSTRAINTS(nullptr, &cursor, constraints->length);
    const bool ca = decoded && decoded->ca;
    BASIC_CONSTRAINTS_free(decoded);
    return ca;
}

// The short name of a name in the plain form nearly every certificate
// uses, read in place: sets of one or more entries, each an identifier and
// printable ASCII text in one of the usual string types. OpenSSL's decoder
// takes such a name and its text is those very bytes. False for any other
// form.
bool readPlainName(const Element &element, QString *shortName)
{
    static const unsigned char commonName[] = { 0x55, 0x04, 0x03 };
    static const unsigned char organization[] = { 0x55, 0x04, 0x0a };
    auto isId = [](const Element &id, const unsigned char(&wanted)[3]) {
        return id.length == 3 && std::equal(wanted, wanted + 3, id.content);
    };
    auto isPlainText = [](const Element &value) {
        const bool textType = value.is(V_ASN1_UTF8STRING, V_ASN1_UNIVERSAL, false)
            || value.is(V_ASN1_PRINTABLESTRING, V_ASN1_UNIVERSAL, false)
            || value.is(V_ASN1_IA5STRING, V_ASN1_UNIVERSAL, false);
        return textType && std::all_of(value.content, value.end(), [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
    };
    // The last common name, the first organisation, the first entry.
    Element found[3];
    bool have[3] = { false, false, false };
    std::vector<Element> pair;
    Element set;
    Element entry;
    if (!element.isSequence() || element.length == 0)
        return false;
    for (const unsigned char *at = element.content; at < element.end(); at = set.end()) {
        if (!elementAt(at, element.end(), &set) || !set.is(V_ASN1_SET, V_ASN1_UNIVERSAL, true) || set.length == 0)
            return false;
        for (const unsigned char *inner = set.content; inner < set.end(); inner = entry.end()) {
            if (!elementAt(inner, set.end(), &entry) || !entry.isSequence() || !childrenOf(entry, 2, &pair)
                || pair.size() != 2 || !isObjectIdentifier(pair[0]) || !isPlainText(pair[1]))
                return false;
            const bool take[3] = { isId(pair[0], commonName), isId(pair[0], organization) && !have[1], !have[2] };
            for (int i = 0; i < 3; ++i) {
                if (take[i]) {
                    found[i] = pair[1];
                    have[i] = true;
                }
            }
        }
    }
    shortName->clear();
    for (int i = 0; i < 3 && shortName->isEmpty(); ++i) {
        if (have[i])
            *shortName = QString::fromLatin1(reinterpret_cast<const char *>(found[i].content), int(found[i].length));
    }
    return true;
}

// The short name of a name: read in place when plain, else decoded by
// OpenSSL as the full parse would.
bool readName(const Element &element, QString *shortName)
{
    if (readPlainName(element, shortName))
        return true;
    const OwnedName name = decoded<X509_NAME, X509_NAME_free>(d2i_X509_NAME, element);
    if (!name)
        return false;
    *shortName = CertificateFacts::shortName(name.get());
    return true;
}

// The parts of the certificate, each checked the way the full parse would.
struct Parts {
    QString subjectName; // short names, as CertificateFacts::shortName gives them
    QString issuerName;
    OwnedInteger serial;
    OwnedValidity validity;
    OwnedBits keyBits;
    bool isCa = false;
    OutlineCache *cache = nullptr;
    const Element *outerAlgorithm = nullptr; // the signature's, already read
};

bool readSubjectKey(const Element &element, Parts *parts)
{
    std::vector<Element> halves;
    if (!element.isSequence() || !childrenOf(element, 2, &halves) || halves.size() != 2)
        return false;
    const OwnedAlgorithm algorithm = decoded<X509_ALGOR, X509_ALGOR_free>(d2i_X509_ALGOR, halves[0]);
    parts->keyBits = decoded<ASN1_BIT_STRING, ASN1_BIT_STRING_free>(d2i_ASN1_BIT_STRING, halves[1]);
    return algorithm && parts->keyBits && keyLooksDecodable(algorithm.get(), parts->keyBits.get(), parts->cache);
}

bool readVersion(const Element &element)
{
    std::vector<Element> inner;
    if (!childrenOf(element, 1, &inner) || inner.size() != 1)
        return false;
    const OwnedInteger version = decoded<ASN1_INTEGER, ASN1_INTEGER_free>(d2i_ASN1_INTEGER, inner[0]);
    const long value = version ? ASN1_INTEGER_get(version.get()) : -1;
    return value == 1 || value == 2;
}

// The extensions walked in place rather than decoded into objects: only
// basic constraints matter to the list.
bool readExtensions(const Element &element, Parts *parts)
{
    static const unsigned char basicConstraints[] = { 0x55, 0x1d, 0x13 };
    std::vector<Element> inner;
    Element list;
    if (!childrenOf(element, 1, &inner) || inner.size() != 1 || !inner[0].isSequence() || inner[0].length == 0)
        return false;
    list = inner[0];
    int constraintsFound = 0;
    Element constraints;
    for (const unsigned char *at = list.content; at < list.end();) {
        Element extension;
        Element identifier;
        Element value;
        if (!elementAt(at, list.end(), &extension) || !readExtension(extension, &identifier, &value))
            return false;
        if (identifier.length == long(sizeof basicConstraints)
            && std::equal(basicConstraints, basicConstraints + sizeof basicConstraints, identifier.content)) {
            ++constraintsFound;
            constraints = value;
        }
        at = extension.end();
    }
    parts->isCa = constraintsFound == 1 && saysCa(&constraints);
    return true;
}

// version, serial, signature, issuer, validity, subject, key, extensions.
// The unique ids of old certificates are rare enough to leave to the full
// parse.
bool readToBeSigned(const Element &element, Parts *parts)
{
    std::vector<Element> fields;
    if (!element.isSequence() || !childrenOf(element, 8, &fields))
        return false;
    size_t next = 0;
    if (next < fields.size() && fields[next].isContext(0) && !readVersion(fields[next++]))
        return false;
    if (fields.size() < next + 6)
        return false;
    parts->serial = decoded<ASN1_INTEGER, ASN1_INTEGER_free>(d2i_ASN1_INTEGER, fields[next]);
    // The signed part names the signature's algorithm again, normally in the
    // same bytes as the outer one, which has been read already.
    const Element &algorithm = fields[next + 1];
    const Element *outer = parts->outerAlgorithm;
    const bool knownAlgorithm = outer && algorithm.size() == outer->size()
        && std::equal(algorithm.begin, algorithm.end(), outer->begin);
    const bool signature =
        knownAlgorithm || decoded<X509_ALGOR, X509_ALGOR_free>(d2i_X509_ALGOR, algorithm) != nullptr;
    // A self-issued certificate names its issuer in the very bytes of its
    // subject: decoded once.
    const Element &issuer = fields[next + 2];
    const Element &subject = fields[next + 4];
    const bool issuerIsSubject =
        issuer.size() == subject.size() && std::equal(issuer.begin, issuer.end(), subject.begin);
    const bool subjectRead = readName(subject, &parts->subjectName);
    parts->issuerName = parts->subjectName;
    const bool issuerRead = issuerIsSubject || readName(issuer, &parts->issuerName);
    parts->validity = decoded<X509_VAL, X509_VAL_free>(d2i_X509_VAL, fields[next + 3]);
    if (!parts->serial || !signature || !issuerRead || !parts->validity || !subjectRead
        || !readSubjectKey(fields[next + 5], parts))
        return false;
    next += 6;
    if (next < fields.size() && fields[next].isContext(3) && !readExtensions(fields[next++], parts))
        return false;
    return next == fields.size();
}

// The whole image: one certificate, nothing after it, and encoded so that
// OpenSSL's fingerprint of it (taken over its own encoding) is the digest of
// these very bytes. The signed part is kept as it came; the rest must be in
// its one DER form.
bool readCertificate(const QByteArray &der, Parts *parts)
{
    const auto *data = reinterpret_cast<const unsigned char *>(der.constData());
    Element whole;
    std::vector<Element> pieces;
    if (!elementAt(data, data + der.size(), &whole) || whole.end() != data + der.size() || !whole.isSequence()
        || !hasShortestHeader(whole) || !childrenOf(whole, 3, &pieces) || pieces.size() != 3)
        return false;
    const OwnedAlgorithm algorithm = decoded<X509_ALGOR, X509_ALGOR_free>(d2i_X509_ALGOR, pieces[1]);
    const OwnedBits signature = decoded<ASN1_BIT_STRING, ASN1_BIT_STRING_free>(d2i_ASN1_BIT_STRING, pieces[2]);
    parts->outerAlgorithm = &pieces[1];
    return algorithm && signature && encodesBackTo<X509_ALGOR>(i2d_X509_ALGOR, algorithm.get(), pieces[1])
        && encodesBackTo<ASN1_BIT_STRING>(i2d_ASN1_BIT_STRING, signature.get(), pieces[2])
        && readToBeSigned(pieces[0], parts);
}

} // namespace

void EcGroupFree::operator()(EC_GROUP *group) const
{
    EC_GROUP_free(group);
}

void EcPointFree::operator()(EC_POINT *point) const
{
    EC_POINT_free(point);
}

void BnCtxFree::operator()(BN_CTX *context) const
{
    BN_CTX_free(context);
}

void EvpMdFree::operator()(EVP_MD *digest) const
{
    EVP_MD_free(digest);
}

OutlineCache::Curve *OutlineCache::curve(int nid)
{
    if (nid == NID_undef)
        return nullptr;
    auto known = m_curves.find(nid);
    if (known == m_curves.end()) {
        Curve made;
        made.group.reset(EC_GROUP_new_by_curve_name(nid));
        made.point.reset(made.group ? EC_POINT_new(made.group.get()) : nullptr);
        known = m_curves.emplace(nid, std::move(made)).first;
    }
    return known->second.point ? &known->second : nullptr;
}

BN_CTX *OutlineCache::numbers()
{
    if (!m_numbers)
        m_numbers.reset(BN_CTX_new());
    return m_numbers.get();
}

const EVP_MD *OutlineCache::sha1()
{
    if (!m_sha1)
        m_sha1.reset(EVP_MD_fetch(nullptr, "SHA1", nullptr));
    return m_sha1.get();
}

const EVP_MD *OutlineCache::sha256()
{
    if (!m_sha256)
        m_sha256.reset(EVP_MD_fetch(nullptr, "SHA256", nullptr));
    return m_sha256.get();
}

bool CertificateOutline::read(const QByteArray &der, CertificateOutline *outline, OutlineCache *cache)
{
    // Damaged images leave errors in the thread's queue: they are no one's
    // concern past this call.
    ERR_set_mark();
    Parts parts;
    parts.cache = cache;
    const bool readable = readCertificate(der, &parts);
    ERR_pop_to_mark();
    if (!readable)
        return false;
    // The key id is the SHA-1 of the key's bits, as the store computes it.
    unsigned char keyDigest[SHA_DIGEST_LENGTH];
    unsigned char digest[SHA256_DIGEST_LENGTH];
    const EVP_MD *sha1 = cache->sha1();
    const EVP_MD *sha256 = cache->sha256();
    if (!sha1 || !sha256
        || EVP_Digest(ASN1_STRING_get0_data(parts.keyBits.get()), size_t(ASN1_STRING_length(parts.keyBits.get())),
                      keyDigest, nullptr, sha1, nullptr)
            != 1
        || EVP_Digest(der.constData(), size_t(der.size()), digest, nullptr, sha256, nullptr) != 1)
        return false;
    const X509_VAL *validity = parts.validity.get();
    OwnedAsn1Time notBefore(ASN1_STRING_dup(validity->notBefore));
    OwnedAsn1Time notAfter(ASN1_STRING_dup(validity->notAfter));
    if (!notBefore || !notAfter)
        return false;
    outline->name = parts.subjectName.isEmpty() ? CertificateFacts::serialNumber(parts.serial.get()) : parts.subjectName;
    outline->issuerName = parts.issuerName;
    outline->notBefore = std::move(notBefore);
    outline->notAfter = std::move(notAfter);
    outline->isCa = parts.isCa;
    outline->keyId = hexOf(keyDigest, SHA_DIGEST_LENGTH);
    outline->identity = hexOf(digest, SHA256_DIGEST_LENGTH);
    return true;
}

bool CertificateOutline::of(X509 *cert, CertificateOutline *outline)
{
    const QString keyId = cert && X509_get0_pubkey(cert) ? CertificateFacts::keyIdText(cert) : QString();
    if (keyId.isEmpty())
        return false;
    OwnedAsn1Time notBefore(ASN1_STRING_dup(X509_get0_notBefore(cert)));
    OwnedAsn1Time notAfter(ASN1_STRING_dup(X509_get0_notAfter(cert)));
    if (!notBefore || !notAfter)
        return false;
    outline->name = ShownStrings::name(X509_get_subject_name(cert), X509_get0_serialNumber(cert));
    outline->issuerName = CertificateFacts::shortName(X509_get_issuer_name(cert));
    outline->notBefore = std::move(notBefore);
    outline->notAfter = std::move(notAfter);
    outline->isCa = CertificateFacts::isCa(cert);
    outline->keyId = keyId;
    outline->identity = CertificateFacts::sha256Hex(cert);
    return true;
}

QStringList CertificateOutline::shownStrings() const
{
    return ShownStrings::of(name, issuerName, notBefore.get(), notAfter.get());
}
