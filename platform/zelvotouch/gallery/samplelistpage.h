#ifndef SAMPLELISTPAGE_H
#define SAMPLELISTPAGE_H

#include <QObject>

class QStandardItemModel;
class ZelvoApplicationPage;
class ZelvoLayout;
class ZelvoLinearLayoutPolicy;

// A sample list page with the three arrangements a list page goes through:
// a spinner while the list is filled, the list, and the empty state.
class SampleListPage : public QObject
{
    Q_OBJECT

public:
    explicit SampleListPage(QObject *parent = nullptr);
    ~SampleListPage() override;

    ZelvoApplicationPage *page() const;
    void showSpinner();
    void showList();
    void showEmpty();

private:
    ZelvoApplicationPage *m_page;
    QStandardItemModel *m_model;
    ZelvoLayout *m_layout;
    ZelvoLinearLayoutPolicy *m_spinnerPolicy;
    ZelvoLinearLayoutPolicy *m_listPolicy;
    ZelvoLinearLayoutPolicy *m_emptyPolicy;
};

#endif
