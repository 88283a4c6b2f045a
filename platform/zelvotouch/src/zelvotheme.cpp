#include "zelvotheme.h"

#include "platformlog.h"
#include "zelvothemeparser.h"

#include <QFile>
#include <QMetaObject>
#include <QStringList>

static void initThemeResource()
{
    Q_INIT_RESOURCE(zelvotheme);
}

ZelvoTheme &ZelvoTheme::instance()
{
    static ZelvoTheme theme;
    return theme;
}

ZelvoTheme::ZelvoTheme()
    : m_generation(0)
{
    initThemeResource();
    QString path = QString::fromLocal8Bit(qgetenv("ZELVO_THEME_FILE"));
    if (path.isEmpty())
        path = QStringLiteral(":/zelvotouch/zelvo-dark.theme");
    QString error;
    if (!loadFromFile(path, &error))
        PLATFORM_LOG_ERROR("Could not load the theme %s: %s", qPrintable(path), qPrintable(error));
}

bool ZelvoTheme::loadFromFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return loadFromText(QString::fromUtf8(file.readAll()), error);
}

bool ZelvoTheme::loadFromText(const QString &text, QString *error)
{
    ZelvoThemeParser parser;
    ZelvoThemeParser::Rules rules;
    if (!parser.parse(text, &rules, error))
        return false;
    m_rules = rules;
    ++m_generation;
    return true;
}

int ZelvoTheme::generation() const
{
    return m_generation;
}

bool ZelvoTheme::hasRule(const QString &selector) const
{
    return m_rules.contains(selector);
}

QStringList ZelvoTheme::selectors() const
{
    QStringList names = m_rules.keys();
    names.sort();
    return names;
}

namespace {

qreal length(const QString &value, bool *ok = nullptr)
{
    QString v = value.trimmed();
    if (v.endsWith(QLatin1String("px")))
        v.chop(2);
    bool good = false;
    const qreal result = v.toDouble(&good);
    if (ok)
        *ok = good;
    return good ? result : 0;
}

bool isDigits(const QString &text, bool pointAllowed)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && !(pointAllowed && c == QLatin1Char('.')))
            return false;
    }
    return true;
}

// "rgb(r, g, b)" or "rgba(r, g, b, alpha)" (either name takes three or four
// values). Read by hand: the theme is read when the application starts, and
// a regular expression cost every program its compilation.
bool rgbaColor(const QString &v, QColor *out)
{
    const int open = v.indexOf(QLatin1Char('('));
    const QStringRef name = v.leftRef(open);
    if (open < 0 || (name != QLatin1String("rgb") && name != QLatin1String("rgba")) || !v.endsWith(QLatin1Char(')')))
        return false;
    const QStringList parts = v.mid(open + 1, v.size() - open - 2).split(QLatin1Char(','));
    if (parts.size() != 3 && parts.size() != 4)
        return false;
    for (int i = 0; i < parts.size(); ++i) {
        if (!isDigits(parts.at(i).trimmed(), i == 3))
            return false;
    }
    QColor c(parts.at(0).trimmed().toInt(), parts.at(1).trimmed().toInt(), parts.at(2).trimmed().toInt());
    if (parts.size() == 4)
        c.setAlphaF(qBound(0.0, parts.at(3).trimmed().toDouble(), 1.0));
    *out = c;
    return true;
}

bool color(const QString &value, QColor *out)
{
    const QString v = value.trimmed();
    if (rgbaColor(v, out))
        return true;
    QColor c(v);
    if (!c.isValid())
        return false;
    *out = c;
    return true;
}

// CSS order: one value for all sides; two for vertical, horizontal; four for
// top, right, bottom, left.
bool box(const QString &value, QMarginsF *out)
{
    const QStringList parts = value.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<qreal> v;
    for (const QString &p : parts) {
        bool ok = false;
        v << length(p, &ok);
        if (!ok)
            return false;
    }
    if (v.size() == 1)
        *out = QMarginsF(v[0], v[0], v[0], v[0]);
    else if (v.size() == 2)
        *out = QMarginsF(v[1], v[0], v[1], v[0]);
    else if (v.size() == 3)
        *out = QMarginsF(v[1], v[0], v[1], v[2]);
    else if (v.size() == 4)
        *out = QMarginsF(v[3], v[0], v[1], v[2]);
    else
        return false;
    return true;
}

int weight(const QString &value)
{
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("bold"))
        return QFont::Bold;
    if (v == QLatin1String("light"))
        return QFont::Light;
    if (v == QLatin1String("demibold"))
        return QFont::DemiBold;
    bool ok = false;
    const int css = v.toInt(&ok);
    if (ok) {
        // CSS 100..900 onto Qt's 0..99 scale.
        if (css >= 700)
            return QFont::Bold;
        if (css >= 600)
            return QFont::DemiBold;
        if (css >= 500)
            return QFont::Medium;
        if (css <= 300)
            return QFont::Light;
    }
    return QFont::Normal;
}

Qt::Alignment alignment(const QString &value)
{
    Qt::Alignment a;
    const QStringList words = value.toLower().simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &w : words) {
        if (w == QLatin1String("left"))
            a |= Qt::AlignLeft;
        else if (w == QLatin1String("right"))
            a |= Qt::AlignRight;
        else if (w == QLatin1String("hcenter"))
            a |= Qt::AlignHCenter;
        else if (w == QLatin1String("vcenter"))
            a |= Qt::AlignVCenter;
        else if (w == QLatin1String("top"))
            a |= Qt::AlignTop;
        else if (w == QLatin1String("bottom"))
            a |= Qt::AlignBottom;
        else if (w == QLatin1String("center"))
            a |= Qt::AlignCenter;
    }
    if (!(a & Qt::AlignHorizontal_Mask))
        a |= Qt::AlignLeft;
    if (!(a & Qt::AlignVertical_Mask))
        a |= Qt::AlignVCenter;
    return a;
}

} // namespace

void ZelvoTheme::apply(ZelvoStyle &s, const QHash<QString, QString> &rule) const
{
    for (auto it = rule.cbegin(); it != rule.cend(); ++it) {
        const QString &name = it.key();
        const QString &value = it.value();
        s.properties.insert(name, value);

        struct ColorProperty {
            const char *name;
            QColor ZelvoStyle::*member;
        };
        static const ColorProperty colors[] = {
            { "background-color", &ZelvoStyle::backgroundColor },
            { "pressed-background-color", &ZelvoStyle::pressedBackgroundColor },
            { "checked-background-color", &ZelvoStyle::checkedBackgroundColor },
            { "color", &ZelvoStyle::textColor },
            { "secondary-color", &ZelvoStyle::secondaryTextColor },
            { "disabled-color", &ZelvoStyle::disabledTextColor },
            { "border-color", &ZelvoStyle::borderColor },
            { "accent-color", &ZelvoStyle::accentColor },
            { "line-color", &ZelvoStyle::lineColor },
        };
        struct LengthProperty {
            const char *name;
            qreal ZelvoStyle::*member;
        };
        static const LengthProperty lengths[] = {
            { "font-size", &ZelvoStyle::fontPixelSize },    { "border-width", &ZelvoStyle::borderWidth },
            { "border-radius", &ZelvoStyle::borderRadius }, { "line-width", &ZelvoStyle::lineWidth },
            { "min-width", &ZelvoStyle::minimumWidth },     { "min-height", &ZelvoStyle::minimumHeight },
            { "width", &ZelvoStyle::preferredWidth },       { "height", &ZelvoStyle::preferredHeight },
            { "max-width", &ZelvoStyle::maximumWidth },     { "spacing", &ZelvoStyle::spacing },
        };
        bool known = false;
        for (const ColorProperty &c : colors) {
            if (name == QLatin1String(c.name)) {
                known = true;
                if (!color(value, &(s.*c.member)))
                    PLATFORM_LOG_ERROR("Theme: bad colour \"%s\" for %s", qPrintable(value), c.name);
            }
        }
        for (const LengthProperty &l : lengths) {
            if (name == QLatin1String(l.name)) {
                known = true;
                bool ok = false;
                const qreal v = length(value, &ok);
                if (ok)
                    s.*l.member = v;
                else
                    PLATFORM_LOG_ERROR("Theme: bad length \"%s\" for %s", qPrintable(value), l.name);
            }
        }
        if (known)
            continue;
        if (name == QLatin1String("font-family")) {
            QString family = value.trimmed();
            if (family.size() >= 2 && family.startsWith(QLatin1Char('"')) && family.endsWith(QLatin1Char('"')))
                family = family.mid(1, family.size() - 2);
            s.fontFamily = family;
        } else if (name == QLatin1String("font-weight")) {
            s.fontWeight = weight(value);
        } else if (name == QLatin1String("font-style")) {
            s.fontItalic = value.trimmed() == QLatin1String("italic");
        } else if (name == QLatin1String("margin")) {
            box(value, &s.margins);
        } else if (name == QLatin1String("padding")) {
            box(value, &s.padding);
        } else if (name == QLatin1String("text-align")) {
            s.textAlignment = alignment(value);
        } else if (name.startsWith(QLatin1String("margin-")) || name.startsWith(QLatin1String("padding-"))) {
            QMarginsF &m = name.startsWith(QLatin1String("margin-")) ? s.margins : s.padding;
            const QString side = name.mid(name.indexOf(QLatin1Char('-')) + 1);
            const qreal v = length(value);
            if (side == QLatin1String("left"))
                m.setLeft(v);
            else if (side == QLatin1String("top"))
                m.setTop(v);
            else if (side == QLatin1String("right"))
                m.setRight(v);
            else if (side == QLatin1String("bottom"))
                m.setBottom(v);
        }
        // Other properties are kept in ZelvoStyle::properties for the widgets
        // that know them.
    }
}

ZelvoStyle ZelvoTheme::style(const QMetaObject *widgetClass, const QString &styleName) const
{
    ZelvoStyle s;
    apply(s, m_rules.value(QStringLiteral("*")));
    QStringList chain;
    for (const QMetaObject *m = widgetClass; m; m = m->superClass()) {
        const QString name = QString::fromLatin1(m->className());
        chain.prepend(name);
        if (name == QLatin1String("QGraphicsWidget"))
            break;
    }
    for (const QString &name : chain) {
        const auto it = m_rules.constFind(name);
        if (it != m_rules.constEnd())
            apply(s, it.value());
    }
    if (!styleName.isEmpty()) {
        const auto it = m_rules.constFind(styleName);
        if (it != m_rules.constEnd())
            apply(s, it.value());
    }
    return s;
}
