#ifndef GALLERYSCREENSHOTS_H
#define GALLERYSCREENSHOTS_H

#include <QString>
#include <QStringList>

class ZelvoApplicationWindow;

// Renders the sample pages of the toolkit to PNG files in a folder: the
// question page, the list page in each of its arrangements, a message box, a
// dialog with text fields and a banner.
class GalleryScreenshots
{
public:
    explicit GalleryScreenshots(ZelvoApplicationWindow *window);

    // Returns the files written; empty (and *error set) on failure.
    QStringList renderAll(const QString &folder, QString *error);

private:
    bool shoot(const QString &file, QString *error);

    ZelvoApplicationWindow *m_window;
    QString m_folder;
    QStringList m_written;
};

#endif
