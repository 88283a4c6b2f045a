#include "buttonadvertiser.h"

ButtonAdvertiser::ButtonAdvertiser(const QString &text)
    : ZelvoButton(text)
{
    // Made here, before anyone else can connect to the plain click, so that
    // the named click is always delivered first.
    connect(this, &ZelvoButton::clicked, this, &ButtonAdvertiser::buttonClicked);
}

void ButtonAdvertiser::buttonClicked()
{
    emit clicked(this);
}
