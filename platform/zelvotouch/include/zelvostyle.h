#ifndef ZELVOSTYLE_H
#define ZELVOSTYLE_H

#include "zelvoglobal.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QMarginsF>
#include <QString>

// The resolved look of one widget: what the theme file says for the widget's
// class and style name, with the defaults filled in. Widgets of other
// libraries read it to paint in the same look as the toolkit's own widgets.
class ZELVO_EXPORT ZelvoStyle
{
public:
    ZelvoStyle();

    QFont font() const;

    QColor backgroundColor; // transparent when the theme says nothing
    QColor pressedBackgroundColor; // background while a finger is down
    QColor checkedBackgroundColor; // background of a checked toggle
    QColor textColor;
    QColor secondaryTextColor; // second lines, prompts, subtitles
    QColor disabledTextColor;
    QColor borderColor;
    QColor accentColor; // spinner arc, switch knob, selection marks
    QColor lineColor; // separators

    QString fontFamily;
    qreal fontPixelSize;
    int fontWeight; // QFont::Weight
    bool fontItalic;

    QMarginsF margins; // outside the background
    QMarginsF padding; // inside the background, around the content
    qreal borderWidth;
    qreal borderRadius;
    qreal lineWidth; // separators, spinner arc
    qreal minimumWidth;
    qreal minimumHeight;
    qreal preferredWidth; // < 0: from the content
    qreal preferredHeight; // < 0: from the content
    qreal maximumWidth; // < 0: unlimited
    qreal spacing; // between the parts of compound widgets
    Qt::Alignment textAlignment;

    // Every property as written in the theme file, for widgets that read
    // properties the toolkit itself does not know.
    QHash<QString, QString> properties;
    QString value(const QString &property, const QString &fallback = QString()) const;
};

#endif
