#include "certificatefile.h"

#include "certificateitem.h"
#include "fileformat.h"
#include "filepasswords.h"
#include "filesiblings.h"
#include "platformlog.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

namespace {

// Gives each key to the first certificate, in file order, whose public key
// it matches and that has no key yet. Keys without a certificate are dropped.
void attachKeys(FileContents &contents, const QList<CertificateItem *> &items)
{
    for (const OwnedKey &key : contents.keys) {
        bool attached = false;
        for (CertificateItem *item : items) {
            if (!item->hasKey && EVP_PKEY_eq(X509_get0_pubkey(item->cert), key.get()) == 1) {
                attached = item->setPrivateKey(key.get());
                break;
            }
        }
        if (!attached)
            PLATFORM_LOG_ERROR("CertificateFile: a private key matches no certificate of the file");
    }
}

} // namespace

CertificateFile::CertificateFile(const QString &path, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_format(FileFormat::forName(path))
    , m_loaded(false)
{
}

CertificateFile::~CertificateFile()
{
    clear();
}

QString CertificateFile::path() const
{
    return m_path;
}

QString CertificateFile::fileName() const
{
    return QFileInfo(m_path).fileName();
}

CertificateFile::Format CertificateFile::format() const
{
    return m_format;
}

bool CertificateFile::isLoaded() const
{
    return m_loaded;
}

QList<CertificateItem *> CertificateFile::certificates() const
{
    return m_items;
}

int CertificateFile::count() const
{
    return m_items.size();
}

CertificateFile::Format CertificateFile::formatForName(const QString &path)
{
    return FileFormat::forName(path);
}

void CertificateFile::clear()
{
    FileSiblings::remove(m_items);
    qDeleteAll(m_items);
    m_items.clear();
    m_loaded = false;
}

bool CertificateFile::load()
{
    clear();
    QFile file(m_path);
    // Only regular files: a pipe or a device would block or never end.
    if (!QFileInfo(m_path).isFile() || !file.open(QIODevice::ReadOnly)) {
        PLATFORM_LOG_ERROR("load: cannot read %s", qPrintable(m_path));
        return false;
    }
    if (file.size() > FileFormat::maxFileSize) {
        PLATFORM_LOG_ERROR("load: %s is too large for a certificate file", qPrintable(m_path));
        return false;
    }
    const QByteArray content = file.read(FileFormat::maxFileSize + 1);
    if (content.size() > FileFormat::maxFileSize) {
        PLATFORM_LOG_ERROR("load: %s is too large for a certificate file", qPrintable(m_path));
        return false;
    }
    m_format = FileFormat::detect(content, FileFormat::forName(m_path));

    FileContents contents;
    std::unique_ptr<PasswordSource> passwords = FilePasswords::forFile(fileName());
    const ReadResult result = FileFormat::read(content, m_format, contents, passwords.get());
    if (result != ReadResult::Read) {
        if (result == ReadResult::Failed)
            PLATFORM_LOG_ERROR("load: %s is not a readable certificate file", qPrintable(m_path));
        return false;
    }
    for (const OwnedX509 &cert : contents.certificates) {
        auto *item = new CertificateItem;
        if (item->setCertificate(cert.get()))
            m_items << item;
        else
            delete item;
    }
    if (m_items.isEmpty()) {
        PLATFORM_LOG_ERROR("load: %s holds no certificate", qPrintable(m_path));
        return false;
    }
    attachKeys(contents, m_items);
    FileSiblings::add(m_items);
    m_loaded = true;
    return true;
}
