#ifndef ZELVOSTYLELIBRARY_H
#define ZELVOSTYLELIBRARY_H

#include "zelvoglobal.h"

#include <QList>
#include <QString>
#include <QStringList>

class QGraphicsItem;
class QGraphicsWidget;
struct QMetaObject;

// A library of widgets that take their look from the theme: a plug-in loaded
// into a touch program says so by name, together with the widget types it
// brings. The theme styles any widget by its class chain whether or not it is
// registered; what registration adds is knowing where a type comes from and
// whether the toolkit may create it by class name (with the creator given).
// A type without a creator is style-bearing only: asked to create it by name,
// the toolkit refuses (logged) and gives null.
//
// The library is registered while the object lives, so a plug-in keeps one as
// a static object and is unregistered when it is unloaded:
//
//   static ZelvoStyleLibrary library("libtrustpanel",
//       { ZelvoStyleLibrary::Type(&CertificateItemWidget::staticMetaObject) });
class ZELVO_EXPORT ZelvoStyleLibrary
{
public:
    using Creator = QGraphicsWidget *(*)(QGraphicsItem *parent);

    struct Type {
        explicit Type(const QMetaObject *metaObject = nullptr, Creator creator = nullptr)
            : metaObject(metaObject)
            , creator(creator)
        {
        }
        const QMetaObject *metaObject;
        Creator creator; // null: the toolkit may not create it by name
    };

    // A name registered twice is registered once, by the first library; the
    // later one is logged and stays unregistered.
    ZelvoStyleLibrary(const QString &name, const QList<Type> &types);
    ~ZelvoStyleLibrary();

    QString name() const;
    bool isRegistered() const;

    // The names of the libraries registered now, in the order they came.
    static QStringList libraries();
    // The registered library that brought the type, or an empty string.
    static QString libraryOf(const QString &className);
    // The type's style-bearing classes of a library, by class name.
    static QStringList styleTypes(const QString &library);
    // Whether the toolkit may create the type by name.
    static bool isCreatable(const QString &className);
    // A new widget of a registered creatable type; null (logged) for a type
    // that is unknown or may not be created by name.
    static QGraphicsWidget *createWidget(const QString &className, QGraphicsItem *parent = nullptr);

private:
    ZelvoStyleLibrary(const ZelvoStyleLibrary &) = delete;
    ZelvoStyleLibrary &operator=(const ZelvoStyleLibrary &) = delete;

    QString m_name;
    bool m_registered;
};

#endif
