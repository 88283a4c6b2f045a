#ifndef PLIXAPPLETDESCRIPTOR_H
#define PLIXAPPLETDESCRIPTOR_H

#include <QString>

// One applet as its descriptor file names it: "Name=..." and "Plugin=..."
// lines ("#" starts a comment line). A relative plug-in path is taken from
// the descriptor's folder.
struct PlixAppletDescriptor {
    QString name;
    QString pluginPath; // absolute
    QString descriptorPath; // absolute

    // Reads one descriptor; on failure returns false and says why in error.
    static bool read(const QString &path, PlixAppletDescriptor *descriptor, QString *error);
    static bool isValidName(const QString &name);
};

#endif
