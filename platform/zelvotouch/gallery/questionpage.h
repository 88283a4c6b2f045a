#ifndef QUESTIONPAGE_H
#define QUESTIONPAGE_H

#include <QObject>
#include <QString>

class QEventLoop;
class ZelvoApplicationPage;
class ZelvoApplicationWindow;
class ZelvoButton;
class QGraphicsLinearLayout;

// A sample question: a page with a header, a separator, a body text and
// answer buttons. exec() shows it and waits until a button (or the back
// button) is pressed, then returns the button, or null for back.
class QuestionPage : public QObject
{
    Q_OBJECT

public:
    QuestionPage(const QString &header, const QString &body, QObject *parent = nullptr);
    ~QuestionPage() override;

    ZelvoButton *addButton(const QString &text, const QString &objectName);
    ZelvoApplicationPage *page() const;

    // Shows the page without waiting (for pictures).
    void show(ZelvoApplicationWindow *window);
    ZelvoButton *exec(ZelvoApplicationWindow *window);

private:
    ZelvoApplicationPage *m_page;
    QGraphicsLinearLayout *m_layout;
    QEventLoop *m_loop;
    ZelvoButton *m_pressed;
    int m_buttons;
    bool m_finished;
};

#endif
