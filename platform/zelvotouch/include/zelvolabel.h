#ifndef ZELVOLABEL_H
#define ZELVOLABEL_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

class QTextDocument;

// A text label. Simple rich text ("<b>", "<br>", "<br><br>") is shown as such;
// a text that is exactly a logical id ("lgd_...") is shown translated, so a
// page never shows a raw id.
class ZELVO_EXPORT ZelvoLabel : public ZelvoStylableWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(bool wordWrap READ wordWrap WRITE setWordWrap)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)

public:
    explicit ZelvoLabel(QGraphicsItem *parent = nullptr);
    explicit ZelvoLabel(const QString &text, QGraphicsItem *parent = nullptr);
    ~ZelvoLabel() override;

    void setText(const QString &text);
    QString text() const;
    QString displayText() const; // the text as shown, translated and without markup

    void setAlignment(Qt::Alignment alignment);
    Qt::Alignment alignment() const; // the style's alignment until one is set

    void setWordWrap(bool wrap);
    bool wordWrap() const;

    // A label that does not wrap may be given less width than its text needs:
    // with Qt::ElideRight it then ends in an ellipsis where the text is cut
    // (markup kept), and its minimum width is that of the ellipsis alone.
    // Qt::ElideNone (the default) asks for the whole text's width.
    void setElideMode(Qt::TextElideMode mode);
    Qt::TextElideMode elideMode() const;

    void setTextFormat(Qt::TextFormat format); // Qt::AutoText by default
    Qt::TextFormat textFormat() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

signals:
    void linkActivated(const QString &link);

protected:
    QSizeF contentSizeHint(Qt::SizeHint which, qreal contentWidth) const override;
    void styleChanged() override;
    void resizeEvent(QGraphicsSceneResizeEvent *event) override;

private:
    void rebuildDocument() const;
    bool isRich() const;
    bool elides() const;
    QTextDocument *elidedDocument(qreal width) const;

    QString m_text;
    Qt::Alignment m_alignment;
    bool m_alignmentSet;
    bool m_wordWrap;
    Qt::TextElideMode m_elideMode;
    Qt::TextFormat m_format;
    mutable QTextDocument *m_document;
    mutable bool m_documentDirty;
};

#endif
