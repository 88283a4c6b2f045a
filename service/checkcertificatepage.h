#ifndef TRUSTKEEP_CHECKCERTIFICATEPAGE_H
#define TRUSTKEEP_CHECKCERTIFICATEPAGE_H

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class ButtonAdvertiser;
class CertificateItem;
class CertificateItemWidget;
class QEventLoop;
class ZelvoApplicationPage;
class ZelvoButton;
class ZelvoLinearLayoutPolicy;

// One question about a server certificate: a page with a header, the
// question, the certificate (or the stored and the received one side by
// side) and answer buttons. exec() shows the page in the service's window
// and waits in a local event loop, during which further bus calls are
// served, until a button or the back action ends it. Tapping a certificate
// opens its details on top without ending the wait.
//
//   CheckCertificatePage prompt(text, item);
//   prompt.setObjectName("...");
//   ButtonAdvertiser *yes = prompt.addButton(...);
//   if (prompt.exec() == yes) ...
//
// The prompt lives for one question and does not own the items; they must
// outlive it.
class CheckCertificatePage : public QObject
{
    Q_OBJECT
public:
    // The question about one certificate (new or expired).
    CheckCertificatePage(const QString &text, CertificateItem *item, QObject *parent = nullptr);
    // The question about a changed certificate: the stored one above the
    // received one.
    CheckCertificatePage(const QString &text, CertificateItem *oldItem, CertificateItem *newItem,
                         QObject *parent = nullptr);
    ~CheckCertificatePage() override;

    // Names the page, by which automation and tests know the question.
    void setObjectName(const QString &name);

    // Appends an answer button; the first is styled as the top button and set
    // off from the certificate by a spacer.
    ButtonAdvertiser *addButton(const QString &text);

    // Shows the page and waits. The pressed button, or null when the page
    // was left by the back action (or has no buttons, then nothing is shown).
    ZelvoButton *exec();

signals:
    void buttonPressed(ZelvoButton *button);

private slots:
    void _setButtonPressed(ZelvoButton *button);
    void _showDetailsPage(CertificateItem *cert);

private:
    void buildTop(const QString &text);
    void addCertificateWidget(CertificateItem *item, const QString &objectName);
    void addGroupHeader(const QString &text);
    void finishBuilding();
    void leave();

    QPointer<ZelvoApplicationPage> m_page;
    ZelvoButton *m_pressedButton = nullptr;
    QEventLoop *m_eventLoop = nullptr;
    bool m_hasButtons = false;

    ZelvoLinearLayoutPolicy *m_policy = nullptr; // the central widget's column
    bool m_shown = false;
    // Both show items that the caller deletes after the question: they are
    // let go of before that.
    QList<QPointer<CertificateItemWidget>> m_certificateWidgets;
    QList<QPointer<ZelvoApplicationPage>> m_detailsPages;
};

#endif
