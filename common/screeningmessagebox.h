#ifndef TRUSTKEEP_SCREENINGMESSAGEBOX_H
#define TRUSTKEEP_SCREENINGMESSAGEBOX_H

#include <QString>

class CertificateItem;
class ZelvoMessageBox;

// The questions of the validity screening, one message box per certificate:
//
//   corrupt        "certificateCorruptedDialog"  OK       %1 name
//   expired        "certificateExpiredDialog"    Yes, No  %1 name
//   not yet valid  "certificateInvalidDialog"    Yes, No  %1 name, %2 start date
//
// Titles and texts are the translations of lgd_certman_corruptdialog_*,
// lgd_certman_expdialog_* and lgd_certman_notvaliddialog_*.
class ScreeningMessageBox
{
public:
    enum Kind {
        Corrupt,
        Expired,
        NotYetValid
    };

    // A box for the certificate, not yet shown; the caller owns it.
    static ZelvoMessageBox *create(Kind kind, const CertificateItem &item);

    // Shows the box modally and waits. True only when the user answered
    // Yes; a corrupt certificate's box only informs and always gives false.
    static bool ask(Kind kind, const CertificateItem &item);

    // The name a person knows the certificate by: the first of its display
    // strings, else its common name.
    static QString certificateName(const CertificateItem &item);

    // The first day of the certificate's validity as the locale's short date.
    static QString startDate(const CertificateItem &item);

    // A validity-start text ("yyyyMMddHHmmss'Z'") as the locale's short date,
    // read as it stands (no conversion from UTC, so the day shown is the
    // day written); empty when the text is not of that form.
    static QString shortDate(const QString &validityStart);
};

#endif
