#include "zelvocombopopup.h"

#include "zelvobutton.h"
#include "zelvolocale.h"

#include <QGraphicsLinearLayout>

ZelvoComboPopup::ZelvoComboPopup(const QString &title, const QStringList &items, int current)
{
    setObjectName(QStringLiteral("zelvoComboPopup"));
    setTitle(title);
    auto *content = new QGraphicsWidget;
    auto *layout = new QGraphicsLinearLayout(Qt::Vertical, content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < items.size(); ++i) {
        auto *entry = new ZelvoButton(ZelvoLocale::displayText(items.at(i)));
        entry->setObjectName(QStringLiteral("comboEntry%1").arg(i));
        entry->setStyleName(QStringLiteral("ComboPopupEntry"));
        entry->setCheckable(true);
        entry->setChecked(i == current);
        layout->addItem(entry);
        connect(entry, &ZelvoButton::clicked, this, [this, i]() {
            reject();
            emit chosen(i);
        });
    }
    setCentralWidget(content);
}

ZelvoComboPopup::~ZelvoComboPopup() = default;
