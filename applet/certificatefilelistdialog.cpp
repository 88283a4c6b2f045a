#include "certificatefilelistdialog.h"

#include <certificatefilelist.h>
#include <certificatefilemodel.h>
#include <devicepaths.h>
#include <filelistpagecontent.h>
#include <zelvolabel.h>
#include <zelvolayout.h>
#include <zelvolinearlayoutpolicy.h>
#include <zelvoprogressindicator.h>
#include <zelvoseparator.h>

CertificateFileListDialog::CertificateFileListDialog(QGraphicsWidget *parent)
    : PlixStylableWidget(parent)
    , m_model(nullptr)
    , m_list(nullptr)
    , m_layout(nullptr)
    , m_spinner(nullptr)
    , m_titleLabel(nullptr)
    , m_spinnerPolicy(nullptr)
    , m_listPolicy(nullptr)
    , m_emptyPolicy(nullptr)
    // The user's home, on the device or under the emulation root.
    , m_paths(DevicePaths::resolve(QStringLiteral("/home/user/")))
{
    setObjectName(QStringLiteral("certificateFileListPage"));
    initWidget();
}

// The model has no parent; the list (a child of the page) lets go of it
// when it is destroyed.
CertificateFileListDialog::~CertificateFileListDialog()
{
    delete m_model;
}

bool CertificateFileListDialog::back()
{
    return true;
}

void CertificateFileListDialog::initWidget()
{
    m_layout = new ZelvoLayout;
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setPolicy(spinnerPolicy(m_layout));
    setLayout(m_layout);
    setProgressIndicatorVisible(true);
    // Making the list starts the scan.
    connect(listWidget(), SIGNAL(itemClicked(QModelIndex)), this, SLOT(fileItemClicked(QModelIndex)));
}

CertificateFileList *CertificateFileListDialog::listWidget()
{
    if (!m_list) {
        m_list = new CertificateFileList(this);
        m_model = new CertificateFileModel;
        connect(m_model, SIGNAL(modelPopulated()), this, SLOT(modelPopulated()));
        m_model->populate(m_paths);
        m_list->setItemModel(m_model);
    }
    return m_list;
}

ZelvoLabel *CertificateFileListDialog::titleLabelWidget(bool fresh)
{
    if (fresh)
        return FileListPageContent::createTitleLabel();
    if (!m_titleLabel)
        m_titleLabel = FileListPageContent::createTitleLabel();
    return m_titleLabel;
}

ZelvoSeparator *CertificateFileListDialog::separatorWidget()
{
    return FileListPageContent::createSeparator(this);
}

ZelvoLabel *CertificateFileListDialog::emptyWidget()
{
    return FileListPageContent::createEmptyLabel();
}

ZelvoProgressIndicator *CertificateFileListDialog::spinnerWidget()
{
    if (!m_spinner)
        m_spinner = FileListPageContent::createSpinner(this);
    return m_spinner;
}

ZelvoLinearLayoutPolicy *CertificateFileListDialog::spinnerPolicy(ZelvoLayout *layout)
{
    if (!m_spinnerPolicy)
        m_spinnerPolicy = FileListPageContent::createSpinnerPolicy(layout, titleLabelWidget(false), separatorWidget(),
                                                                   spinnerWidget());
    return m_spinnerPolicy;
}

ZelvoLinearLayoutPolicy *CertificateFileListDialog::listPolicy(ZelvoLayout *layout)
{
    if (!m_listPolicy)
        m_listPolicy =
            FileListPageContent::createListPolicy(layout, titleLabelWidget(false), separatorWidget(), listWidget());
    return m_listPolicy;
}

ZelvoLinearLayoutPolicy *CertificateFileListDialog::emptyPolicy(ZelvoLayout *layout)
{
    if (!m_emptyPolicy)
        m_emptyPolicy =
            FileListPageContent::createEmptyPolicy(layout, titleLabelWidget(false), separatorWidget(), emptyWidget());
    return m_emptyPolicy;
}

CertificateFileModel *CertificateFileListDialog::fileModel() const
{
    return m_model;
}

ZelvoLayout *CertificateFileListDialog::pageLayout() const
{
    return m_layout;
}

void CertificateFileListDialog::modelPopulated()
{
    setProgressIndicatorVisible(false);
    if (m_model && m_model->rowCount() != 0)
        m_layout->setPolicy(listPolicy(m_layout));
    else
        m_layout->setPolicy(emptyPolicy(m_layout));
}

void CertificateFileListDialog::fileItemClicked(const QModelIndex &idx)
{
    emit fileSelected(idx);
    if (m_list)
        m_list->clearSelection();
    changeWidget(3);
}
