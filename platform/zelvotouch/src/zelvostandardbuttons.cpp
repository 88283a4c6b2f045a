#include "zelvostandardbuttons.h"

#include "zelvolocale.h"

namespace ZelvoStandardButtons {

const QList<Info> &all()
{
    static const QList<Info> buttons = {
        { QMessageBox::Ok, QMessageBox::AcceptRole, "lgd_common_ok", "OK", "dialogButtonOk" },
        { QMessageBox::Save, QMessageBox::AcceptRole, "lgd_common_save", "Save", "dialogButtonSave" },
        { QMessageBox::SaveAll, QMessageBox::AcceptRole, "lgd_common_saveall", "Save all", "dialogButtonSaveAll" },
        { QMessageBox::Open, QMessageBox::AcceptRole, "lgd_common_open", "Open", "dialogButtonOpen" },
        { QMessageBox::Yes, QMessageBox::YesRole, "lgd_common_yes", "Yes", "dialogButtonYes" },
        { QMessageBox::YesToAll, QMessageBox::YesRole, "lgd_common_yestoall", "Yes to all", "dialogButtonYesToAll" },
        { QMessageBox::No, QMessageBox::NoRole, "lgd_common_no", "No", "dialogButtonNo" },
        { QMessageBox::NoToAll, QMessageBox::NoRole, "lgd_common_notoall", "No to all", "dialogButtonNoToAll" },
        { QMessageBox::Abort, QMessageBox::RejectRole, "lgd_common_abort", "Abort", "dialogButtonAbort" },
        { QMessageBox::Retry, QMessageBox::AcceptRole, "lgd_common_retry", "Retry", "dialogButtonRetry" },
        { QMessageBox::Ignore, QMessageBox::AcceptRole, "lgd_common_ignore", "Ignore", "dialogButtonIgnore" },
        { QMessageBox::Close, QMessageBox::RejectRole, "lgd_common_close", "Close", "dialogButtonClose" },
        { QMessageBox::Cancel, QMessageBox::RejectRole, "lgd_common_cancel", "Cancel", "dialogButtonCancel" },
        { QMessageBox::Discard, QMessageBox::DestructiveRole, "lgd_common_discard", "Discard", "dialogButtonDiscard" },
        { QMessageBox::Help, QMessageBox::HelpRole, "lgd_common_help", "Help", "dialogButtonHelp" },
        { QMessageBox::Apply, QMessageBox::ApplyRole, "lgd_common_apply", "Apply", "dialogButtonApply" },
        { QMessageBox::Reset, QMessageBox::ResetRole, "lgd_common_reset", "Reset", "dialogButtonReset" },
        { QMessageBox::RestoreDefaults, QMessageBox::ResetRole, "lgd_common_restoredefaults", "Restore defaults",
          "dialogButtonRestoreDefaults" },
    };
    return buttons;
}

const Info *find(QMessageBox::StandardButton button)
{
    for (const Info &info : all()) {
        if (info.button == button)
            return &info;
    }
    return nullptr;
}

const Info *findByName(const QString &name)
{
    for (const Info &info : all()) {
        const QString objectName = QString::fromLatin1(info.objectName);
        if (objectName.mid(int(qstrlen("dialogButton"))).compare(name, Qt::CaseInsensitive) == 0)
            return &info;
    }
    return nullptr;
}

QString text(QMessageBox::StandardButton button)
{
    const Info *info = find(button);
    if (!info)
        return QString();
    const QString id = QString::fromLatin1(info->textId);
    return ZelvoLocale::hasTranslation(id) ? ZelvoLocale::trId(id) : QString::fromLatin1(info->defaultText);
}

bool isAcceptRole(QMessageBox::ButtonRole role)
{
    return role == QMessageBox::AcceptRole || role == QMessageBox::YesRole;
}

bool isRejectRole(QMessageBox::ButtonRole role)
{
    return role == QMessageBox::RejectRole || role == QMessageBox::NoRole || role == QMessageBox::DestructiveRole;
}

} // namespace ZelvoStandardButtons
