#ifndef CERTIFICATESLISTWIDGET_H
#define CERTIFICATESLISTWIDGET_H

#include <plixstylablewidget.h>

#include <certificatesfiltermodel.h>

#include <QModelIndex>
#include <QString>

class CertificateItem;
class CertificatesList;
class CertificatesModel;
class ZelvoLabel;
class ZelvoLayout;
class ZelvoLinearLayoutPolicy;
class ZelvoProgressIndicator;
class ZelvoSeparator;

// The applet's main page: the installed certificates of the kind chosen in
// the menu, a spinner while the list is being filled, the empty-state text
// when nothing is shown. A tap reports the row ("certificateSelected") and
// asks for the details page: 4 for a certificate the user may not manage, 5
// for any other. The applet finds, adds and removes rows through it.
class CertificatesListWidget : public PlixStylableWidget
{
    Q_OBJECT

public:
    explicit CertificatesListWidget(QGraphicsWidget *parent = nullptr);
    ~CertificatesListWidget() override;

    void gotoPage(int page);

    // The row of the certificate in the (unfiltered) certificates model;
    // invalid, and logged, when the model does not hold it.
    QModelIndex index(CertificateItem *ci);
    // Adds the certificate of an index of any model that carries the item.
    void addCert(const QModelIndex &idx);
    // Removes a row given by an index of the filter model or of the
    // certificates model.
    void removeCert(const QModelIndex &idx);

    void initWidget();
    CertificatesList *listWidget();
    ZelvoLabel *titleLabelWidget(bool fresh);
    ZelvoSeparator *separatorWidget(const QString &styleName);
    ZelvoLabel *emptyWidget();
    ZelvoProgressIndicator *spinnerWidget();
    ZelvoLinearLayoutPolicy *spinnerPolicy(ZelvoLayout *layout);
    ZelvoLinearLayoutPolicy *listPolicy(ZelvoLayout *layout);
    ZelvoLinearLayoutPolicy *emptyPolicy(ZelvoLayout *layout);

    CertificatesModel *certificatesModel() const;
    CertificatesFilterModel *filterModel() const;
    ZelvoLayout *pageLayout() const;
    CertificateType typeShown() const;

signals:
    void certificateSelected(const QModelIndex &mi);

public slots:
    void selectShowCertificates(int idx);
    void modelPopulated();

private slots:
    void listItemSelected(const QModelIndex &mi);

private:
    void choosePolicy();

    ZelvoLayout *m_layout;
    ZelvoLinearLayoutPolicy *m_spinnerPolicy;
    ZelvoLinearLayoutPolicy *m_listPolicy;
    ZelvoLinearLayoutPolicy *m_emptyPolicy;
    ZelvoLabel *m_titleLabel;
    CertificatesModel *m_model; // no parent: released with the page
    CertificatesFilterModel *m_filter; // no parent: released with the page
    CertificatesList *m_list;
    CertificateType m_typeShown;
    ZelvoProgressIndicator *m_spinner;
};

#endif
