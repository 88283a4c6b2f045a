#ifndef CERTIFICATESMODEL_P_H
#define CERTIFICATESMODEL_P_H

#include <QModelIndex>
#include <QStringList>

// The kind of a CertificatesModel row (CA flag and purposes) without making
// its full item: a filter asks it of every row. False for an index of any
// other model.
bool certificateRowKind(const QModelIndex &index, bool *isCa, QStringList *purposes);

#endif
