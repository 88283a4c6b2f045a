#ifndef ZELVOCOMBOPOPUP_H
#define ZELVOCOMBOPOPUP_H

#include "zelvodialog.h"

// The list a combo box opens: one entry per item, the current one marked.
// Choosing an entry emits chosen() and closes the popup.
class ZelvoComboPopup : public ZelvoDialog
{
    Q_OBJECT

public:
    ZelvoComboPopup(const QString &title, const QStringList &items, int current);
    ~ZelvoComboPopup() override;

signals:
    void chosen(int index);
};

#endif
