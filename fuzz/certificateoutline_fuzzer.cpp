// Feeds arbitrary bytes to the list's certificate outline, the way a listing
// from the service reaches it, and holds every outline it accepts to the full
// parse: the same certificate must parse whole, with the same facts.
#include "certificateoutline.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The same instant, or for a time neither can read (the full parse keeps
// those too) the same bytes.
bool sameTime(const ASN1_TIME *a, const ASN1_TIME *b)
{
    return a && b && (ASN1_TIME_compare(a, b) == 0 || ASN1_STRING_cmp(a, b) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static OutlineCache cache;
    const QByteArray der(reinterpret_cast<const char *>(data), int(size));
    CertificateOutline outline;
    if (!CertificateOutline::read(der, &outline, &cache))
        return 0;

    const unsigned char *next = data;
    X509 *cert = d2i_X509(nullptr, &next, long(size));
    if (!cert || next != data + size)
        std::abort(); // the outline took bytes the full parse refuses
    CertificateOutline full;
    const bool agree = CertificateOutline::of(cert, &full) && full.name == outline.name
        && full.issuerName == outline.issuerName && full.isCa == outline.isCa && full.keyId == outline.keyId
        && full.identity == outline.identity && sameTime(full.notBefore.get(), outline.notBefore.get())
        && sameTime(full.notAfter.get(), outline.notAfter.get()) && full.shownStrings() == outline.shownStrings();
    X509_free(cert);
    if (!agree)
        std::abort();
    return 0;
}
