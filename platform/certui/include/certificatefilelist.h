#ifndef CERTIFICATEFILELIST_H
#define CERTIFICATEFILELIST_H

#include "bastracertmanui_global.h"

#include <zelvolist.h>

// The list of certificate files of a CertificateFileModel: one row per file,
// its name as the row's text (automation taps a row by it) and its folder as
// the second line. A tap emits "itemClicked(QModelIndex)"; role 34 of the
// index carries the CertificateFile*.
class BASTRA_CERTMAN_UI_EXPORT CertificateFileList : public ZelvoList
{
    Q_OBJECT

public:
    explicit CertificateFileList(QGraphicsItem *parent = nullptr);
    ~CertificateFileList() override;
};

#endif
