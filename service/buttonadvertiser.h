#ifndef TRUSTKEEP_BUTTONADVERTISER_H
#define TRUSTKEEP_BUTTONADVERTISER_H

#include <zelvobutton.h>

// An answer button that names itself when clicked, so that one slot can
// tell the buttons of a question apart.
class ButtonAdvertiser : public ZelvoButton
{
    Q_OBJECT
public:
    // No parent: the layout the button is added to takes it over.
    explicit ButtonAdvertiser(const QString &text);

signals:
    void clicked(ZelvoButton *button);

public slots:
    void buttonClicked();
};

#endif
