#ifndef ZELVOTHEMEPARSER_H
#define ZELVOTHEMEPARSER_H

#include <QHash>
#include <QString>

// Reads the theme file's text into rules: selector -> (property -> value).
//
//   $accent: #3d9be9;            a variable, used as $accent in later values
//   /* comment */
//   Name, OtherName { property: value; ... }
//
// A selector named twice gets the properties of both rules, the later winning.
class ZelvoThemeParser
{
public:
    using Rules = QHash<QString, QHash<QString, QString>>;

    bool parse(const QString &text, Rules *rules, QString *error);

private:
    bool fail(const QString &message);
    void skipSpaceAndComments();
    QString readUntil(const QString &stops);
    int lineAt(int position) const;
    QString substitute(const QString &value) const;

    QString m_text;
    int m_pos = 0;
    QString m_error;
    QHash<QString, QString> m_variables;
};

#endif
