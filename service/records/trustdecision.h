#ifndef TRUSTKEEP_TRUSTDECISION_H
#define TRUSTKEEP_TRUSTDECISION_H

#include "trustrecords.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

// What the trust records say about a presented server certificate.
struct TrustDecision {
    enum Kind {
        Trusted, // a record holds the certificate and its trust holds
        AskNew, // no record of that name
        AskAgain, // its time-limited trust lapsed before the certificate's end
        AskExpired, // its trust ran to the certificate's end
        AskChanged // records of that name, none with this certificate
    };

    static const int trustedUntilEnds = 2; // trust type of a time-limited decision
    static const int trustedWithoutLimit = 1; // what "always" makes of a changed or expired one

    Kind kind = AskNew;
    qint64 id = 0; // the record that decided, or the last one of the name
    QByteArray storedDer; // AskChanged: that record's certificate

    // Walks the records of the certificate's subject name, oldest first; the
    // first one that holds the same DER image decides. certificateExpiry is
    // the certificate's end of validity (null when unknown).
    static TrustDecision decide(const QList<TrustRecord> &records, const QByteArray &der,
                                const QDateTime &certificateExpiry, const QDateTime &now);
};

#endif
