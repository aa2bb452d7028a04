#pragma once

#include "transfer/TransferJob.h"

#include <QList>

// The files of a tree (in tree order) cut into at most count runs of about equal weight, one per job
// of a parallel transfer. A file weighs its size plus a fixed cost, since on small files the round trips
// weigh more than the bytes. The order is kept, so each job's files stay together by folder; no run is
// empty.
QList<QList<CTransferEntry>> ShareOut(const QList<CTransferEntry>& files, int count);
