#ifndef ZELVOTEXTEDIT_H
#define ZELVOTEXTEDIT_H

#include "zelvoglobal.h"

#include "zelvostylablewidget.h"

// A single-line text field. A tap gives it the keyboard focus; typed text is
// inserted at the end, Backspace removes the last character, Return emits
// returnPressed(). The password echo mode shows one dot per character and
// never reveals the text through its "text" shown on screen or in automation
// listings.
class ZELVO_EXPORT ZelvoTextEdit : public ZelvoStylableWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QString prompt READ prompt WRITE setPrompt)
    Q_PROPERTY(EchoMode echoMode READ echoMode WRITE setEchoMode)

public:
    // The values of QLineEdit's echo modes.
    enum EchoMode {
        Normal = 0,
        NoEcho = 1,
        Password = 2
    };
    Q_ENUM(EchoMode)

    explicit ZelvoTextEdit(QGraphicsItem *parent = nullptr);
    explicit ZelvoTextEdit(const QString &text, QGraphicsItem *parent = nullptr);
    ~ZelvoTextEdit() override;

    QString text() const;
    QString displayText() const; // what the field shows (dots for a password)

    void setPrompt(const QString &prompt); // shown greyed while the field is empty
    QString prompt() const;

    void setEchoMode(EchoMode mode);
    EchoMode echoMode() const;

    void setMaxLength(int length); // characters; default 32767
    int maxLength() const;

    void setReadOnly(bool readOnly);
    bool isReadOnly() const;

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget = nullptr) override;

public slots:
    void setText(const QString &text);
    void clear();

signals:
    void textChanged(const QString &text);
    void returnPressed();

protected:
    QSizeF contentSizeHint(Qt::SizeHint which, qreal contentWidth) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QString m_text;
    QString m_prompt;
    EchoMode m_echoMode;
    int m_maxLength;
    bool m_readOnly;
};

#endif
