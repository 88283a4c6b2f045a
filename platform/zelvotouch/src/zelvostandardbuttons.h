#ifndef ZELVOSTANDARDBUTTONS_H
#define ZELVOSTANDARDBUTTONS_H

#include <QList>
#include <QMessageBox>
#include <QString>

// What the toolkit knows of each standard button: its role, the logical id of
// its text with the English text used when no catalog holds the id, and the
// object name automation finds it by.
namespace ZelvoStandardButtons {

struct Info {
    QMessageBox::StandardButton button;
    QMessageBox::ButtonRole role;
    const char *textId;
    const char *defaultText;
    const char *objectName;
};

// In the order the buttons are laid out (Qt's value order).
const QList<Info> &all();
const Info *find(QMessageBox::StandardButton button);
const Info *findByName(const QString &name); // "Ok", "Yes", "No", "Cancel", ...
QString text(QMessageBox::StandardButton button);
bool isAcceptRole(QMessageBox::ButtonRole role);
bool isRejectRole(QMessageBox::ButtonRole role);

} // namespace ZelvoStandardButtons

#endif
