#ifndef PLIXAPPLETDIRECTORY_H
#define PLIXAPPLETDIRECTORY_H

#include "plixappletdescriptor.h"

#include <QList>
#include <QStringList>

// The applets the control panel can open: the descriptors ("*.applet") in the
// folders named by PLIXCONTROLPANEL_APPLET_PATH (colon-separated), then in the
// build tree's applet folder, then in the installed one. The first descriptor
// of a name wins; broken and duplicate descriptors are logged and skipped.
class PlixAppletDirectory
{
public:
    static const char *const pathVariable; // "PLIXCONTROLPANEL_APPLET_PATH"

    static QStringList searchFolders();

    explicit PlixAppletDirectory(const QStringList &folders = searchFolders());

    QStringList folders() const;
    // In search order; within a folder by file name.
    QList<PlixAppletDescriptor> applets() const;
    bool find(const QString &name, PlixAppletDescriptor *descriptor) const;

private:
    QStringList m_folders;
};

#endif
