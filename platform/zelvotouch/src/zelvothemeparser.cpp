#include "zelvothemeparser.h"

#include <QStringList>

bool ZelvoThemeParser::fail(const QString &message)
{
    m_error = QStringLiteral("line %1: %2").arg(lineAt(m_pos)).arg(message);
    return false;
}

int ZelvoThemeParser::lineAt(int position) const
{
    return m_text.leftRef(qMin(position, m_text.size())).count(QLatin1Char('\n')) + 1;
}

void ZelvoThemeParser::skipSpaceAndComments()
{
    for (;;) {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
        if (m_text.midRef(m_pos, 2) == QLatin1String("/*")) {
            const int end = m_text.indexOf(QLatin1String("*/"), m_pos + 2);
            m_pos = end < 0 ? m_text.size() : end + 2;
            continue;
        }
        return;
    }
}

QString ZelvoThemeParser::readUntil(const QString &stops)
{
    const int start = m_pos;
    while (m_pos < m_text.size() && !stops.contains(m_text.at(m_pos))) {
        if (m_text.midRef(m_pos, 2) == QLatin1String("/*"))
            break;
        ++m_pos;
    }
    return m_text.mid(start, m_pos - start).trimmed();
}

QString ZelvoThemeParser::substitute(const QString &value) const
{
    auto isNameCharacter = [](QChar c) {
        const ushort u = c.unicode();
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-';
    };
    QString result = value;
    int from = 0;
    while ((from = result.indexOf(QLatin1Char('$'), from)) >= 0) {
        int end = from + 1;
        while (end < result.size() && isNameCharacter(result.at(end)))
            ++end;
        const QString name = result.mid(from + 1, end - from - 1);
        if (name.isEmpty() || !m_variables.contains(name)) {
            from = name.isEmpty() ? from + 1 : end;
            continue;
        }
        result.replace(from, end - from, m_variables.value(name));
        from += m_variables.value(name).size();
    }
    return result;
}

bool ZelvoThemeParser::parse(const QString &text, Rules *rules, QString *error)
{
    m_text = text;
    m_pos = 0;
    m_error.clear();
    m_variables.clear();
    Rules parsed;

    const bool ok = [&]() {
        for (;;) {
            skipSpaceAndComments();
            if (m_pos >= m_text.size())
                return true;
            if (m_text.at(m_pos) == QLatin1Char('$')) {
                ++m_pos;
                const QString name = readUntil(QStringLiteral(":;{}"));
                if (name.isEmpty() || m_pos >= m_text.size() || m_text.at(m_pos) != QLatin1Char(':'))
                    return fail(QStringLiteral("a variable needs a name and a colon"));
                ++m_pos;
                const QString value = readUntil(QStringLiteral(";{}"));
                if (m_pos >= m_text.size() || m_text.at(m_pos) != QLatin1Char(';'))
                    return fail(QStringLiteral("variable $%1 is not ended by a semicolon").arg(name));
                ++m_pos;
                m_variables.insert(name, substitute(value));
                continue;
            }
            const QString selectorText = readUntil(QStringLiteral("{};"));
            if (m_pos >= m_text.size() || m_text.at(m_pos) != QLatin1Char('{'))
                return fail(QStringLiteral("expected '{' after \"%1\"").arg(selectorText));
            QStringList selectors;
            for (const QString &s : selectorText.split(QLatin1Char(','))) {
                const QString name = s.trimmed();
                if (name.isEmpty() || name.simplified() != name || name.contains(QLatin1Char(' ')))
                    return fail(QStringLiteral("bad selector \"%1\"").arg(s.trimmed()));
                selectors << name;
            }
            ++m_pos;
            QHash<QString, QString> properties;
            for (;;) {
                skipSpaceAndComments();
                if (m_pos >= m_text.size())
                    return fail(QStringLiteral("rule \"%1\" is not closed").arg(selectorText));
                if (m_text.at(m_pos) == QLatin1Char('}')) {
                    ++m_pos;
                    break;
                }
                const QString name = readUntil(QStringLiteral(":;{}"));
                if (name.isEmpty() || m_pos >= m_text.size() || m_text.at(m_pos) != QLatin1Char(':'))
                    return fail(QStringLiteral("expected 'property: value;' in \"%1\"").arg(selectorText));
                ++m_pos;
                const QString value = readUntil(QStringLiteral(";{}"));
                if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char(';'))
                    ++m_pos;
                else if (m_pos >= m_text.size() || m_text.at(m_pos) != QLatin1Char('}'))
                    return fail(QStringLiteral("property %1 is not ended by a semicolon").arg(name));
                properties.insert(name.toLower(), substitute(value));
            }
            for (const QString &selector : selectors) {
                QHash<QString, QString> &target = parsed[selector];
                for (auto it = properties.cbegin(); it != properties.cend(); ++it)
                    target.insert(it.key(), it.value());
            }
        }
    }();

    if (!ok) {
        if (error)
            *error = m_error;
        return false;
    }
    *rules = parsed;
    return true;
}
