#include "trustdecision.h"

TrustDecision TrustDecision::decide(const QList<TrustRecord> &records, const QByteArray &der,
                                    const QDateTime &certificateExpiry, const QDateTime &now)
{
    TrustDecision decision;
    if (records.isEmpty())
        return decision;
    decision.kind = AskChanged;
    for (const TrustRecord &record : records) {
        decision.id = record.id;
        decision.storedDer = record.derDump;
        if (record.derDump != der)
            continue;
        if (record.trustType != trustedUntilEnds) {
            decision.kind = Trusted;
            return decision;
        }
        // An end that cannot be read is no promise of trust: asked again.
        const QDateTime &ends = record.trustEnds;
        if (ends.isValid() && !(ends < now)) {
            decision.kind = Trusted;
            return decision;
        }
        decision.kind =
            (!certificateExpiry.isValid() || !ends.isValid() || ends < certificateExpiry) ? AskAgain : AskExpired;
        return decision;
    }
    return decision;
}
