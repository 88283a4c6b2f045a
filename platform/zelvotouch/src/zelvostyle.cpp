#include "zelvostyle.h"

ZelvoStyle::ZelvoStyle()
    : backgroundColor(Qt::transparent)
    , pressedBackgroundColor(Qt::transparent)
    , checkedBackgroundColor(Qt::transparent)
    , textColor(QColor(0xe8, 0xe8, 0xe8))
    , secondaryTextColor(QColor(0x9a, 0x9a, 0x9a))
    , disabledTextColor(QColor(0x60, 0x60, 0x60))
    , borderColor(Qt::transparent)
    , accentColor(QColor(0x3d, 0x9b, 0xe9))
    , lineColor(QColor(0x44, 0x44, 0x44))
    , fontFamily(QStringLiteral("DejaVu Sans"))
    , fontPixelSize(22)
    , fontWeight(QFont::Normal)
    , fontItalic(false)
    , borderWidth(0)
    , borderRadius(0)
    , lineWidth(1)
    , minimumWidth(0)
    , minimumHeight(0)
    , preferredWidth(-1)
    , preferredHeight(-1)
    , maximumWidth(-1)
    , spacing(8)
    , textAlignment(Qt::AlignLeft | Qt::AlignVCenter)
{
}

QFont ZelvoStyle::font() const
{
    QFont f(fontFamily);
    f.setPixelSize(qMax(1, qRound(fontPixelSize)));
    f.setWeight(fontWeight);
    f.setItalic(fontItalic);
    return f;
}

QString ZelvoStyle::value(const QString &property, const QString &fallback) const
{
    return properties.value(property, fallback);
}
