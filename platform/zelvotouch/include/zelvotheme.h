#ifndef ZELVOTHEME_H
#define ZELVOTHEME_H

#include "zelvoglobal.h"

#include "zelvostyle.h"

#include <QHash>
#include <QString>
#include <QStringList>

struct QMetaObject;

// The look of the toolkit, read from one stylesheet-like file (a Qt resource,
// or the file named by ZELVO_THEME_FILE). A rule's selector is either a widget
// class name ("ZelvoButton") or a style name ("CommonHeaderInverted"); a
// widget's style is "*", then its class chain from QGraphicsWidget down, then
// its style name. An unknown style name simply adds nothing.
//
//   CommonHeaderInverted {
//       font-size: 30px;
//       color: #ffffff;
//       margin: 24px 16px 12px 16px;
//   }
class ZELVO_EXPORT ZelvoTheme
{
public:
    static ZelvoTheme &instance();

    ZelvoStyle style(const QMetaObject *widgetClass, const QString &styleName) const;
    bool hasRule(const QString &selector) const;
    QStringList selectors() const;

    // Replaces the rules with those of the text; on a syntax error the rules
    // stay as they were and *error says what and where.
    bool loadFromText(const QString &text, QString *error = nullptr);
    bool loadFromFile(const QString &path, QString *error = nullptr);

    // Bumped at every load, so widgets can tell that their cached style is stale.
    int generation() const;

private:
    ZelvoTheme();
    void apply(ZelvoStyle &style, const QHash<QString, QString> &rule) const;

    QHash<QString, QHash<QString, QString>> m_rules;
    int m_generation;
};

#endif
