// zelvo-gallery: sample pages of the touch UI toolkit.
//
//   zelvo-gallery                       the sample question; prints the button pressed
//   zelvo-gallery --screenshots DIR     renders the sample pages to PNG files in DIR
//
// With ZELVO_AUTOMATION_SOCKET set, the question can be answered from outside.

#include "galleryscreenshots.h"
#include "questionpage.h"

#include "zelvoapplication.h"
#include "zelvoapplicationwindow.h"
#include "zelvobutton.h"

#include <QTextStream>

int main(int argc, char **argv)
{
    ZelvoApplication app(argc, argv, QStringLiteral("zelvo-gallery"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments();

    ZelvoApplicationWindow window;
    window.setPortraitOrientation();
    window.lockOrientation();

    const int shotsAt = args.indexOf(QStringLiteral("--screenshots"));
    if (shotsAt >= 0) {
        if (shotsAt + 1 >= args.size()) {
            err << "usage: zelvo-gallery --screenshots FOLDER\n";
            return 2;
        }
        QString error;
        GalleryScreenshots shots(&window);
        const QStringList files = shots.renderAll(args.at(shotsAt + 1), &error);
        if (files.isEmpty()) {
            err << "zelvo-gallery: " << error << "\n";
            return 1;
        }
        for (const QString &file : files)
            out << file << "\n";
        return 0;
    }
    if (args.size() > 1 && args.at(1) != QLatin1String("--question")) {
        err << "usage: zelvo-gallery [--question | --screenshots FOLDER]\n";
        return 2;
    }

    QuestionPage question(QStringLiteral("Sample question"),
                          QStringLiteral("This page is made of a header, a separator, this text and two buttons."
                                         "<br><br>Which one will you press?"));
    ZelvoButton *first = question.addButton(QStringLiteral("The first one"), QStringLiteral("galleryFirstButton"));
    question.addButton(QStringLiteral("The second one"), QStringLiteral("gallerySecondButton"));
    ZelvoButton *pressed = question.exec(&window);
    if (!pressed) {
        out << "pressed: back\n";
        return 1;
    }
    out << "pressed: " << pressed->objectName() << "\n";
    Q_UNUSED(first)
    return 0;
}
