#ifndef CERTIFICATEFILELISTDIALOG_H
#define CERTIFICATEFILELISTDIALOG_H

#include <plixstylablewidget.h>

#include <QModelIndex>
#include <QStringList>

class CertificateFileList;
class CertificateFileModel;
class ZelvoLabel;
class ZelvoLayout;
class ZelvoLinearLayoutPolicy;
class ZelvoProgressIndicator;
class ZelvoSeparator;

// The applet's page of certificate files found in the user's home: a spinner
// while the scan runs, then the files or the empty-state text. Tapping a file
// reports it ("fileSelected(QModelIndex)") and asks for the install page (3).
// Every visit makes a new page, so every visit scans again.
class CertificateFileListDialog : public PlixStylableWidget
{
    Q_OBJECT

public:
    explicit CertificateFileListDialog(QGraphicsWidget *parent = nullptr);
    ~CertificateFileListDialog() override;

    bool back() override;

    // The page's pieces, each made on first use and kept (the separators and
    // the empty-state label are made anew for each policy).
    void initWidget();
    CertificateFileList *listWidget();
    ZelvoLabel *titleLabelWidget(bool fresh);
    ZelvoSeparator *separatorWidget();
    ZelvoLabel *emptyWidget();
    ZelvoProgressIndicator *spinnerWidget();
    ZelvoLinearLayoutPolicy *spinnerPolicy(ZelvoLayout *layout);
    ZelvoLinearLayoutPolicy *listPolicy(ZelvoLayout *layout);
    ZelvoLinearLayoutPolicy *emptyPolicy(ZelvoLayout *layout);

    CertificateFileModel *fileModel() const;
    ZelvoLayout *pageLayout() const;

signals:
    void fileSelected(const QModelIndex &idx);

public slots:
    void fileItemClicked(const QModelIndex &idx);
    void modelPopulated();

private:
    CertificateFileModel *m_model; // no parent: released with the page
    CertificateFileList *m_list;
    ZelvoLayout *m_layout;
    ZelvoProgressIndicator *m_spinner;
    ZelvoLabel *m_titleLabel;
    ZelvoLinearLayoutPolicy *m_spinnerPolicy;
    ZelvoLinearLayoutPolicy *m_listPolicy;
    ZelvoLinearLayoutPolicy *m_emptyPolicy;
    QStringList m_paths;
};

#endif
