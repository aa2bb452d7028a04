#include "transfer/TransferShares.h"

namespace
{
// What one file costs besides its bytes, in bytes: a few round trips on a fast link.
constexpr qint64 kFileCost = 64 * 1024;

qint64 WeightOf(const CTransferEntry& file)
{
    return qMax<qint64>(file.size, 0) + kFileCost;
}
} // namespace

QList<QList<CTransferEntry>> ShareOut(const QList<CTransferEntry>& files, int count)
{
    QList<QList<CTransferEntry>> shares;
    if (files.isEmpty())
        return shares;
    qint64 total = 0;
    for (const CTransferEntry& file : files)
        total += WeightOf(file);
    const qint64 parts = qBound<qint64>(1, qint64(count), qint64(files.size()));
    QList<CTransferEntry> current;
    qint64 weighed = 0;
    for (qsizetype i = 0; i < files.size(); ++i)
    {
        current.append(files[i]);
        weighed += WeightOf(files[i]);
        const qint64 closed = shares.size();
        const qint64 filesLeft = files.size() - 1 - i;
        const qint64 runsLeft = parts - closed - 1;
        // A run ends once the weight so far reaches its share of the whole, or when each later run
        // needs one of the files left.
        const bool reached = weighed * parts >= total * (closed + 1);
        if (runsLeft > 0 && (reached || filesLeft == runsLeft))
        {
            shares.append(current);
            current.clear();
        }
    }
    if (!current.isEmpty())
        shares.append(current);
    return shares;
}
