#include "certificatefilelist.h"

CertificateFileList::CertificateFileList(QGraphicsItem *parent)
    : ZelvoList(parent)
{
    setObjectName(QStringLiteral("certificateFileList"));
    setSubtitleRole(Qt::ToolTipRole);
    setSelectionMode(SingleSelection);
}

CertificateFileList::~CertificateFileList() = default;
