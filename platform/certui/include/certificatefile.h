#ifndef CERTIFICATEFILE_H
#define CERTIFICATEFILE_H

#include "bastracertmanui_global.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

class CertificateItem;

// One certificate file on disk and, once loaded, its certificates with the
// private keys that belong to them. PEM (bundles and encrypted keys included),
// DER and PKCS#12 are understood.
//
// The items belong to the file and live as long as it does (or until the next
// load()). Items from a file are not stored, have no purposes and a negative
// authorization preference.
class BASTRA_CERTMAN_UI_EXPORT CertificateFile : public QObject
{
    Q_OBJECT
public:
    enum Format {
        UnknownFormat = 0,
        PemFormat,
        DerFormat,
        Pkcs12Format
    };

    explicit CertificateFile(const QString &path, QObject *parent = nullptr);
    ~CertificateFile() override;

    QString path() const;
    QString fileName() const;
    Format format() const;

    // Reads and parses the file. A PKCS#12 file is first tried with an empty
    // password, then through the password dialog until the right password is
    // given or the user cancels. False when the file cannot be read, is
    // cancelled, or holds no certificate.
    bool load();
    bool isLoaded() const;

    QList<CertificateItem *> certificates() const;
    int count() const;

    // The format a file name's extension promises (.pem .crt .cer .der .p12
    // .pfx in any case); UnknownFormat for any other name.
    static Format formatForName(const QString &path);

private:
    Q_DISABLE_COPY(CertificateFile)
    void clear();

    QString m_path;
    Format m_format;
    bool m_loaded;
    QList<CertificateItem *> m_items;
};

Q_DECLARE_METATYPE(CertificateFile *)

#endif
