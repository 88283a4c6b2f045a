#include "screeningmessagebox.h"

#include <certificateitem.h>
#include <zelvolocale.h>
#include <zelvomessagebox.h>

#include <QDateTime>
#include <QLocale>
#include <QScopedPointer>

namespace {

struct BoxText {
    const char *objectName;
    const char *titleId;
    const char *textId;
    QMessageBox::StandardButtons buttons;
};

BoxText boxText(ScreeningMessageBox::Kind kind)
{
    switch (kind) {
    case ScreeningMessageBox::Corrupt:
        return { "certificateCorruptedDialog", "lgd_certman_corruptdialog_title", "lgd_certman_corruptdialog_text",
                 QMessageBox::Ok };
    case ScreeningMessageBox::Expired:
        return { "certificateExpiredDialog", "lgd_certman_expdialog_title", "lgd_certman_expdialog_text",
                 QMessageBox::Yes | QMessageBox::No };
    case ScreeningMessageBox::NotYetValid:
        break;
    }
    return { "certificateInvalidDialog", "lgd_certman_notvaliddialog_title", "lgd_certman_notvaliddialog_text",
             QMessageBox::Yes | QMessageBox::No };
}

} // namespace

ZelvoMessageBox *ScreeningMessageBox::create(Kind kind, const CertificateItem &item)
{
    const BoxText text = boxText(kind);
    // Both placeholders are filled in one step, so that a "%1" or "%2" inside
    // a certificate's name stays text.
    QString body = ZelvoLocale::trId(text.textId);
    body = kind == NotYetValid ? body.arg(certificateName(item), startDate(item)) : body.arg(certificateName(item));
    auto *box = new ZelvoMessageBox(ZelvoLocale::trId(text.titleId), body, text.buttons);
    box->setObjectName(QLatin1String(text.objectName));
    return box;
}

bool ScreeningMessageBox::ask(Kind kind, const CertificateItem &item)
{
    QScopedPointer<ZelvoMessageBox, QScopedPointerDeleteLater> box(create(kind, item));
    const int answer = box->exec();
    return kind != Corrupt && answer == QMessageBox::Yes;
}

QString ScreeningMessageBox::certificateName(const CertificateItem &item)
{
    const QStringList shown = item.attribute(CertificateItem::DisplayStrings).toStringList();
    if (!shown.isEmpty() && !shown.first().isEmpty())
        return shown.first();
    return item.commonName;
}

QString ScreeningMessageBox::startDate(const CertificateItem &item)
{
    const QStringList starts = item.attribute(CertificateItem::ValidityStart).toStringList();
    const QString shown = starts.isEmpty() ? QString() : shortDate(starts.first());
    if (!shown.isEmpty())
        return shown;
    // No readable start string: the item's own start, on the day it is written.
    const QDateTime start = item.startDate();
    return start.isValid() ? QLocale().toString(start.toUTC().date(), QLocale::ShortFormat) : QString();
}

QString ScreeningMessageBox::shortDate(const QString &validityStart)
{
    // Day and time are read apart: a wall-clock time that the local zone
    // skips (a daylight-saving gap) still names its day.
    if (validityStart.size() != 15 || !validityStart.endsWith(QLatin1Char('Z')))
        return QString();
    const QDate day = QDate::fromString(validityStart.left(8), QStringLiteral("yyyyMMdd"));
    const QTime time = QTime::fromString(validityStart.mid(8, 6), QStringLiteral("HHmmss"));
    if (!day.isValid() || !time.isValid())
        return QString();
    return QLocale().toString(day, QLocale::ShortFormat);
}
