#ifndef ZELVOAPPLICATION_H
#define ZELVOAPPLICATION_H

#include "zelvoglobal.h"

#include <QApplication>
#include <QString>

class ZelvoApplicationWindow;

// The application object of a touch program. It carries the program's
// identifier, loads the theme and its font, starts the UI automation endpoint
// when ZELVO_AUTOMATION_SOCKET is set, and knows the application window.
//
// A touch program decides itself when to end: hiding or closing its window
// does not quit it (quitOnLastWindowClosed is off).
class ZELVO_EXPORT ZelvoApplication : public QApplication
{
    Q_OBJECT

public:
    ZelvoApplication(int &argc, char **argv, const QString &identifier = QString());
    ~ZelvoApplication() override;

    // The application object, or null when the program's application object
    // is not a ZelvoApplication.
    static ZelvoApplication *instance();

    QString identifier() const;

    // The application window created at start-up (the first application
    // window still alive), whatever has focus; null when there is none. Works
    // with any QApplication.
    static ZelvoApplicationWindow *activeWindow();
    static QList<ZelvoApplicationWindow *> applicationWindows();

public slots:
    // Hides every application window. The pages stay in their windows.
    static void closeAllWindows();

private:
    QString m_identifier;
};

#endif
