#include "galleryscreenshots.h"

#include "questionpage.h"
#include "samplelistpage.h"

#include "zelvoapplicationpage.h"
#include "zelvoapplicationwindow.h"
#include "zelvobanner.h"
#include "zelvodialog.h"
#include "zelvolabel.h"
#include "zelvolistitem.h"
#include "zelvomessagebox.h"
#include "zelvooverlay.h"
#include "zelvoseparator.h"
#include "zelvotextedit.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGraphicsLinearLayout>

namespace {

// A group header: a short divider and a small title, on a panel.
ZelvoOverlay *groupHeader(const QString &text)
{
    auto *panel = new ZelvoOverlay;
    panel->setStyleName(QStringLiteral("CommonGroupHeaderPanelInverted"));
    auto *row = new QGraphicsLinearLayout(Qt::Horizontal, panel);
    auto *divider = new ZelvoSeparator;
    divider->setStyleName(QStringLiteral("CommonGroupHeaderDividerInverted"));
    auto *label = new ZelvoLabel(text);
    label->setStyleName(QStringLiteral("CommonGroupHeaderInverted"));
    row->addItem(divider);
    row->setStretchFactor(divider, 2);
    row->setAlignment(divider, Qt::AlignVCenter);
    row->addItem(label);
    row->setAlignment(label, Qt::AlignVCenter);
    return panel;
}

ZelvoListItem *sampleRow(const QString &title, const QString &subtitle)
{
    auto *row = new ZelvoListItem;
    row->setStyleName(QStringLiteral("CommonListItemInverted"));
    row->setTitle(title);
    row->setSubtitle(subtitle);
    return row;
}

// Lets posted layout requests and deferred deletions run before a picture.
void settle()
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

GalleryScreenshots::GalleryScreenshots(ZelvoApplicationWindow *window)
    : m_window(window)
{
}

bool GalleryScreenshots::shoot(const QString &file, QString *error)
{
    settle();
    const QString path = QDir(m_folder).filePath(file);
    if (!m_window->saveScreenshot(path)) {
        *error = QStringLiteral("could not write %1").arg(path);
        return false;
    }
    m_written << path;
    return true;
}

QStringList GalleryScreenshots::renderAll(const QString &folder, QString *error)
{
    m_folder = folder;
    m_written.clear();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("could not make the folder %1").arg(folder);
        return QStringList();
    }
    m_window->show();

    QuestionPage question(QStringLiteral("Server certificate"),
                          QStringLiteral("This server presented a certificate that you have not trusted before."
                                         "<br><br>Do you want to trust this certificate?"));
    question.addButton(QStringLiteral("Trust always"), QStringLiteral("galleryFirstButton"));
    question.addButton(QStringLiteral("Trust for 24 hours"), QStringLiteral("gallerySecondButton"));
    question.page()->setTitle(QStringLiteral("Certificate check"));
    question.show(m_window);
    if (!shoot(QStringLiteral("question.png"), error))
        return QStringList();

    // Two certificates side by side under group headers, as a changed-certificate question shows them.
    auto *changed = new ZelvoApplicationPage;
    changed->setStyleName(QStringLiteral("CommonApplicationPageInverted"));
    changed->setEscapeMode(ZelvoApplicationPage::EscapeManualBack);
    auto *column = new QGraphicsLinearLayout(Qt::Vertical, changed->centralWidget());
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto *header = new ZelvoLabel(QStringLiteral("Server certificate"));
    header->setStyleName(QStringLiteral("CommonHeaderInverted"));
    auto *divider = new ZelvoSeparator;
    divider->setStyleName(QStringLiteral("CommonHeaderDividerInverted"));
    auto *body = new ZelvoLabel(QStringLiteral("The certificate of this server has changed since you last trusted it."
                                               "<br><br>Do you want to trust this certificate?"));
    body->setStyleName(QStringLiteral("CommonBodyTextInverted"));
    body->setWordWrap(true);
    column->addItem(header);
    column->addItem(divider);
    column->addItem(body);
    column->addItem(groupHeader(QStringLiteral("Previously trusted certificate")));
    column->addItem(sampleRow(QStringLiteral("mail.example.org"), QStringLiteral("Issued by Example Issuing CA 2")));
    column->addItem(groupHeader(QStringLiteral("New certificate")));
    column->addItem(sampleRow(QStringLiteral("mail.example.org"), QStringLiteral("Issued by Unknown Authority")));
    column->addStretch(1);
    changed->appear(m_window, ZelvoSceneWindow::DestroyWhenDismissed);
    const bool changedShot = shoot(QStringLiteral("question-two-certificates.png"), error);
    changed->dismiss();
    if (!changedShot)
        return QStringList();

    auto *box = new ZelvoMessageBox(QStringLiteral("Expired certificate"),
                                    QStringLiteral("The certificate Example Root Authority has expired. "
                                                   "Install it anyway?"),
                                    QMessageBox::Yes | QMessageBox::No);
    box->setObjectName(QStringLiteral("galleryMessageBox"));
    box->appear(m_window, ZelvoSceneWindow::DestroyWhenDone);
    const bool boxShot = shoot(QStringLiteral("messagebox.png"), error);
    box->disappear();
    if (!boxShot)
        return QStringList();

    auto *dialog = new ZelvoDialog(QStringLiteral("Change password"), QMessageBox::Ok | QMessageBox::Cancel);
    auto *fields = new QGraphicsWidget;
    auto *fieldLayout = new QGraphicsLinearLayout(Qt::Vertical, fields);
    fieldLayout->setContentsMargins(0, 0, 0, 0);
    auto *hint = new ZelvoLabel(QStringLiteral("Device owner"));
    hint->setStyleName(QStringLiteral("MessageBoxText"));
    auto *current = new ZelvoTextEdit;
    current->setEchoMode(ZelvoTextEdit::Password);
    current->setText(QStringLiteral("secret"));
    auto *fresh = new ZelvoTextEdit;
    fresh->setEchoMode(ZelvoTextEdit::Password);
    fresh->setPrompt(QStringLiteral("New password"));
    fieldLayout->addItem(hint);
    fieldLayout->addItem(current);
    fieldLayout->addItem(fresh);
    dialog->setCentralWidget(fields);
    dialog->appear(m_window, ZelvoSceneWindow::DestroyWhenDone);
    const bool dialogShot = shoot(QStringLiteral("dialog.png"), error);
    dialog->disappear();
    if (!dialogShot)
        return QStringList();

    auto *banner = new ZelvoBanner;
    banner->setStyleName(QStringLiteral("InformationBanner"));
    banner->setTitle(QStringLiteral("Root certificates cannot be deleted"));
    banner->appear(m_window, ZelvoSceneWindow::DestroyWhenDone);
    const bool bannerShot = shoot(QStringLiteral("banner.png"), error);
    banner->disappear();
    if (!bannerShot)
        return QStringList();

    SampleListPage list;
    list.page()->appear(m_window, ZelvoSceneWindow::DestroyWhenDismissed);
    list.showSpinner();
    if (!shoot(QStringLiteral("list-spinner.png"), error))
        return QStringList();
    list.showList();
    if (!shoot(QStringLiteral("list.png"), error))
        return QStringList();
    list.showEmpty();
    if (!shoot(QStringLiteral("list-empty.png"), error))
        return QStringList();
    list.page()->dismiss();
    question.page()->dismiss();
    settle();
    return m_written;
}
