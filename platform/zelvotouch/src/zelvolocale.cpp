#include "zelvolocale.h"

#include "platformlog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSet>
#include <QTranslator>

#include <dlfcn.h>

#ifndef ZELVO_BUILD_TRANSLATIONS_DIR
#define ZELVO_BUILD_TRANSLATIONS_DIR ""
#endif
#ifndef ZELVO_INSTALL_TRANSLATIONS_DIR
#define ZELVO_INSTALL_TRANSLATIONS_DIR ""
#endif

namespace {

QPointer<ZelvoLocale> &defaultLocaleRef()
{
    static QPointer<ZelvoLocale> locale;
    return locale;
}

QList<ZelvoLocale *> &allLocales()
{
    static QList<ZelvoLocale *> locales;
    return locales;
}

QSet<QString> &reportedMissing()
{
    static QSet<QString> ids;
    return ids;
}

// Not empty, and only ASCII letters, digits and the `others`. Checked by hand:
// a regular expression here made every program compile one at start.
bool isPlainName(const QString &text, QLatin1String others)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool alphanumeric = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9');
        if (!alphanumeric && !others.contains(c))
            return false;
    }
    return true;
}

QString libraryDirectory()
{
    Dl_info info;
    if (dladdr(reinterpret_cast<void *>(&libraryDirectory), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return QString();
}

} // namespace

ZelvoLocale::ZelvoLocale(QObject *parent)
    : QObject(parent)
    , m_installedInApplication(false)
{
    allLocales().append(this);
}

ZelvoLocale::~ZelvoLocale()
{
    allLocales().removeAll(this);
    removeFromApplication();
    qDeleteAll(m_translators);
}

QStringList ZelvoLocale::catalogSearchPaths()
{
    QStringList paths;
    const QString fromEnvironment = QString::fromLocal8Bit(qgetenv("ZELVO_TRANSLATIONS_PATH"));
    for (const QString &p : fromEnvironment.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        paths << p;
    const QString libDir = libraryDirectory();
    if (!libDir.isEmpty())
        paths << QDir::cleanPath(libDir + QStringLiteral("/../share/trustkeep/translations"));
    if (qstrlen(ZELVO_BUILD_TRANSLATIONS_DIR) > 0)
        paths << QString::fromUtf8(ZELVO_BUILD_TRANSLATIONS_DIR);
    if (qstrlen(ZELVO_INSTALL_TRANSLATIONS_DIR) > 0)
        paths << QString::fromUtf8(ZELVO_INSTALL_TRANSLATIONS_DIR);
    paths.removeDuplicates();
    return paths;
}

bool ZelvoLocale::installTrCatalog(const QString &name)
{
    if (m_catalogs.contains(name))
        return true;
    if (!isPlainName(name, QLatin1String("_.-")) || name.contains(QLatin1String(".."))) {
        PLATFORM_LOG_ERROR("Refusing translation catalog name '%s'", qPrintable(name));
        return false;
    }
    for (const QString &dir : catalogSearchPaths()) {
        const QString file = dir + QLatin1Char('/') + name + QStringLiteral(".qm");
        if (!QFileInfo::exists(file))
            continue;
        auto *translator = new QTranslator;
        if (!translator->load(file)) {
            PLATFORM_LOG_ERROR("Could not read translation catalog %s", qPrintable(file));
            delete translator;
            return false;
        }
        m_translators.append(translator);
        m_catalogs.append(name);
        if (m_installedInApplication && QCoreApplication::instance())
            QCoreApplication::installTranslator(translator);
        return true;
    }
    PLATFORM_LOG_ERROR("Translation catalog '%s' not found in %s", qPrintable(name),
                       qPrintable(catalogSearchPaths().join(QLatin1Char(':'))));
    return false;
}

QStringList ZelvoLocale::installedCatalogs() const
{
    return m_catalogs;
}

void ZelvoLocale::setDefault(ZelvoLocale &locale)
{
    setDefault(&locale);
}

void ZelvoLocale::setDefault(ZelvoLocale *locale)
{
    QPointer<ZelvoLocale> &current = defaultLocaleRef();
    if (current == locale) {
        if (locale)
            locale->installIntoApplication();
        return;
    }
    if (current)
        current->removeFromApplication();
    current = locale;
    if (locale)
        locale->installIntoApplication();
}

ZelvoLocale *ZelvoLocale::defaultLocale()
{
    return defaultLocaleRef();
}

void ZelvoLocale::installIntoApplication()
{
    if (!QCoreApplication::instance())
        return; // lookups still reach the catalogs through trId()
    if (m_installedInApplication)
        return;
    for (QTranslator *t : m_translators)
        QCoreApplication::installTranslator(t);
    m_installedInApplication = true;
}

void ZelvoLocale::removeFromApplication()
{
    if (!m_installedInApplication)
        return;
    if (QCoreApplication::instance()) {
        for (QTranslator *t : m_translators)
            QCoreApplication::removeTranslator(t);
    }
    m_installedInApplication = false;
}

QString ZelvoLocale::translate(const QString &logicalId, int n) const
{
    const QByteArray id = logicalId.toUtf8();
    // Later catalogs win, as with installed translators.
    for (int i = m_translators.size() - 1; i >= 0; --i) {
        const QString text = m_translators.at(i)->translate(nullptr, id.constData(), nullptr, n);
        if (!text.isNull())
            return text;
    }
    return QString();
}

bool ZelvoLocale::hasTranslation(const QString &logicalId)
{
    const QByteArray id = logicalId.toUtf8();
    if (qtTrId(id.constData()) != logicalId)
        return true;
    for (ZelvoLocale *locale : allLocales()) {
        if (!locale->translate(logicalId).isNull())
            return true;
    }
    return false;
}

QString ZelvoLocale::trId(const char *logicalId, int n)
{
    return trId(QString::fromUtf8(logicalId), n);
}

QString ZelvoLocale::trId(const QString &logicalId, int n)
{
    if (logicalId.isEmpty())
        return QString();
    const QByteArray id = logicalId.toUtf8();
    const QString viaApplication = qtTrId(id.constData(), n);
    if (viaApplication != logicalId)
        return viaApplication;
    if (ZelvoLocale *locale = defaultLocale()) {
        const QString text = locale->translate(logicalId, n);
        if (!text.isNull())
            return text;
    }
    for (ZelvoLocale *locale : allLocales()) {
        const QString text = locale->translate(logicalId, n);
        if (!text.isNull())
            return text;
    }
    if (!reportedMissing().contains(logicalId)) {
        reportedMissing().insert(logicalId);
        PLATFORM_LOG_ERROR("No translation for '%s'", id.constData());
    }
    return fallbackText(logicalId);
}

bool ZelvoLocale::isLogicalId(const QString &text)
{
    return text.startsWith(QLatin1String("lgd_")) && isPlainName(text.mid(4), QLatin1String("_"));
}

QString ZelvoLocale::displayText(const QString &text)
{
    return isLogicalId(text) ? trId(text) : text;
}

QString ZelvoLocale::fallbackText(const QString &logicalId)
{
    QStringList words = logicalId.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    // "lgd" and the module name say nothing to the user.
    if (!words.isEmpty() && words.first() == QLatin1String("lgd"))
        words.removeFirst();
    if (words.size() > 1)
        words.removeFirst();
    QString text = words.join(QLatin1Char(' '));
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text;
}
