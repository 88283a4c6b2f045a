#ifndef CERTIFICATEFILEWIDGET_H
#define CERTIFICATEFILEWIDGET_H

#include "bastracertmanui_global.h"

#include <zelvostylablewidget.h>

#include <QList>
#include <QModelIndex>
#include <QPointer>

class CertificateFile;
class CertificateItem;
class CertificateItemListModel;
class QGraphicsLinearLayout;
class ZelvoButton;
class ZelvoLabel;

// The certificates of one file, to pick from for installation. Each row has
// a check toggle named after the certificate (tap the name to pick or unpick
// it; object name "pick_<row>") and a details button (object name
// "details_<row>") that emits "certificateSelected(QModelIndex)". The
// install button ("installButton") emits "installCertificates(QModelIndexList)"
// with the picked rows in the order they were picked; the cancel button
// ("cancelButton") emits "operationCancelled()".
//
// The indexes belong to the widget's own model; role 34 carries each row's
// CertificateItem*, which belongs to the file.
class BASTRA_CERTMAN_UI_EXPORT CertificateFileWidget : public ZelvoStylableWidget
{
    Q_OBJECT

public:
    explicit CertificateFileWidget(QGraphicsItem *parent = nullptr);
    ~CertificateFileWidget() override;

    // Loads the file when it is not loaded yet (a protected file asks for its
    // password) and shows its certificates. False, showing nothing, when the
    // file cannot be loaded or holds no certificate. The widget does not own
    // the file; the file must outlive it.
    bool setFile(CertificateFile *file);
    CertificateFile *file() const;

    // The row of a certificate of the file; invalid for any other.
    QModelIndex index(CertificateItem *item) const;

    // The picked rows, in the order they were picked.
    QModelIndexList pickedIndexes() const;

signals:
    void certificateSelected(const QModelIndex &index);
    void installCertificates(const QModelIndexList &indexes);
    void operationCancelled();

private slots:
    void pickToggled(bool picked);
    void detailsClicked();
    void installClicked();

private:
    void clearRows();
    void addRow(int row);
    void updateInstallButton();

    QPointer<CertificateFile> m_file;
    CertificateItemListModel *m_model;
    QGraphicsLinearLayout *m_layout;
    QGraphicsLinearLayout *m_rows;
    ZelvoLabel *m_title;
    ZelvoButton *m_install;
    ZelvoButton *m_cancel;
    QList<int> m_picked;
};

#endif
