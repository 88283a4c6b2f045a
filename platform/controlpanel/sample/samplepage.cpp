#include "samplepage.h"

#include <zelvobutton.h>
#include <zelvolabel.h>
#include <zelvomessagebox.h>

#include <QGraphicsLinearLayout>

SamplePage::SamplePage(int number, QGraphicsItem *parent)
    : PlixStylableWidget(parent)
    , m_number(number)
{
    setObjectName(QStringLiteral("samplePage%1").arg(number));
    auto *layout = new QGraphicsLinearLayout(Qt::Vertical);
    auto *label = new ZelvoLabel(QStringLiteral("This is page %1 of the sample applet.").arg(number));
    label->setObjectName(QStringLiteral("samplePageLabel"));
    label->setStyleName(QStringLiteral("CommonBodyTextInverted"));
    label->setWordWrap(true);
    layout->addItem(label);
    setLayout(layout);
    addButton(QStringLiteral("Next page"), QStringLiteral("sampleNextButton"), &SamplePage::openNext);
    addButton(QStringLiteral("A page that is missing"), QStringLiteral("sampleMissingButton"),
              &SamplePage::openMissing);
    addButton(QStringLiteral("Busy"), QStringLiteral("sampleBusyButton"), &SamplePage::toggleBusy);
    addButton(QStringLiteral("Message"), QStringLiteral("sampleMessageButton"), &SamplePage::showMessage);
    addButton(QStringLiteral("Close"), QStringLiteral("sampleCloseButton"), &SamplePage::close);
}

SamplePage::~SamplePage() = default;

int SamplePage::number() const
{
    return m_number;
}

bool SamplePage::back()
{
    return !property("holdOnBack").toBool();
}

void SamplePage::addButton(const QString &text, const QString &objectName, void (SamplePage::*slot)())
{
    auto *button = new ZelvoButton(text);
    button->setObjectName(objectName);
    button->setStyleName(QStringLiteral("CommonTopButtonInverted"));
    static_cast<QGraphicsLinearLayout *>(layout())->addItem(button);
    connect(button, &ZelvoButton::clicked, this, slot);
}

void SamplePage::openNext()
{
    changeWidget(m_number + 1);
}

void SamplePage::openMissing()
{
    changeWidget(missingPage);
}

void SamplePage::toggleBusy()
{
    setProgressIndicatorVisible(!isProgressIndicatorVisible());
}

void SamplePage::showMessage()
{
    ZelvoMessageBox box(QStringLiteral("A message of the sample applet"));
    box.setObjectName(QStringLiteral("sampleMessageBox"));
    box.exec();
}

void SamplePage::close()
{
    closePage();
}
