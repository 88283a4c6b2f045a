#ifndef ZELVOLOCALE_H
#define ZELVOLOCALE_H

#include "zelvoglobal.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QTranslator;

// User-visible texts are looked up by logical id ("lgd_...") in translation
// catalogs. A locale holds the catalogs installed into it by name; the default
// locale's catalogs serve the whole application (qtTrId and trId()).
//
// Catalog "<name>" is the compiled file "<name>.qm", searched in
// ZELVO_TRANSLATIONS_PATH (colon separated), next to the library
// (../share/trustkeep/translations), in the build tree and in the install prefix.
//
// A missing id never shows as such: the lookup logs it once and makes a
// readable text from the id ("lgd_certman_foo_bar" -> "Foo bar").
class ZELVO_EXPORT ZelvoLocale : public QObject
{
    Q_OBJECT

public:
    explicit ZelvoLocale(QObject *parent = nullptr);
    ~ZelvoLocale() override;

    // Loads catalog <name>; false (logged) when no catalog of that name is found
    // or it cannot be read. Installing a catalog twice is harmless.
    bool installTrCatalog(const QString &name);
    QStringList installedCatalogs() const;

    // Makes the locale the application's default: its catalogs replace those of
    // the previous default locale.
    static void setDefault(ZelvoLocale &locale);
    static void setDefault(ZelvoLocale *locale);
    static ZelvoLocale *defaultLocale();

    // Text of a logical id through the default locale (and every catalog
    // installed anywhere), with the readable fallback. n selects plural forms.
    static QString trId(const char *logicalId, int n = -1);
    static QString trId(const QString &logicalId, int n = -1);
    // The same, but only this locale's catalogs.
    QString translate(const QString &logicalId, int n = -1) const;
    // True when some catalog holds the id.
    static bool hasTranslation(const QString &logicalId);

    static bool isLogicalId(const QString &text);
    // The text to show for a widget text: translated when the whole text is a
    // logical id, else the text itself.
    static QString displayText(const QString &text);
    // The readable stand-in for an id that no catalog holds.
    static QString fallbackText(const QString &logicalId);

    // Where catalogs are searched, in order.
    static QStringList catalogSearchPaths();

private:
    void installIntoApplication();
    void removeFromApplication();

    QList<QTranslator *> m_translators;
    QStringList m_catalogs;
    bool m_installedInApplication;
};

#endif
