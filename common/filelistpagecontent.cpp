#include "filelistpagecontent.h"

#include <zelvolabel.h>
#include <zelvolayout.h>
#include <zelvolinearlayoutpolicy.h>
#include <zelvolocale.h>
#include <zelvoprogressindicator.h>
#include <zelvoseparator.h>

ZelvoLabel *FileListPageContent::createTitleLabel()
{
    auto *label = new ZelvoLabel(ZelvoLocale::trId("lgd_certman_addcert_title"));
    label->setStyleName(QStringLiteral("CommonHeaderInverted"));
    return label;
}

ZelvoSeparator *FileListPageContent::createSeparator(QGraphicsItem *parent)
{
    auto *separator = new ZelvoSeparator(parent, Qt::Horizontal);
    separator->setStyleName(QStringLiteral("CommonHeaderDividerInverted"));
    return separator;
}

ZelvoLabel *FileListPageContent::createEmptyLabel()
{
    auto *label = new ZelvoLabel(ZelvoLocale::trId("lgd_certman_noitems"));
    label->setStyleName(QStringLiteral("CommonEmptyStateTitleInverted"));
    label->setObjectName(QStringLiteral("EmptyLabel"));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignCenter);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return label;
}

ZelvoProgressIndicator *FileListPageContent::createSpinner(QGraphicsItem *parent)
{
    auto *spinner = new ZelvoProgressIndicator(parent, QLatin1String(ZelvoProgressIndicator::spinnerType));
    spinner->setUnknownDuration(true);
    spinner->setObjectName(QStringLiteral("fileListSpinner"));
    spinner->setStyleName(QStringLiteral("CommonLargeSpinnerInverted"));
    return spinner;
}

ZelvoLinearLayoutPolicy *FileListPageContent::createSpinnerPolicy(ZelvoLayout *layout, QGraphicsLayoutItem *title,
                                                                  QGraphicsLayoutItem *separator,
                                                                  QGraphicsLayoutItem *spinner)
{
    auto *policy = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
    policy->addItem(title);
    policy->addItem(separator);
    policy->addStretch(1);
    policy->addItem(spinner, Qt::AlignCenter);
    policy->addStretch(1);
    return policy;
}

ZelvoLinearLayoutPolicy *FileListPageContent::createListPolicy(ZelvoLayout *layout, QGraphicsLayoutItem *title,
                                                               QGraphicsLayoutItem *separator,
                                                               QGraphicsLayoutItem *list)
{
    auto *policy = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
    policy->addItem(title);
    policy->addItem(separator);
    policy->addItem(list);
    policy->addStretch(1);
    return policy;
}

ZelvoLinearLayoutPolicy *FileListPageContent::createEmptyPolicy(ZelvoLayout *layout, QGraphicsLayoutItem *title,
                                                                QGraphicsLayoutItem *separator,
                                                                QGraphicsLayoutItem *emptyLabel)
{
    auto *policy = new ZelvoLinearLayoutPolicy(layout, Qt::Vertical);
    policy->addItem(title);
    policy->addItem(separator);
    policy->addItem(emptyLabel);
    return policy;
}
