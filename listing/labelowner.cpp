#include "labelowner.h"

#include "naturalorder.h"

qsizetype labelOwnerAmong(const QStringList& fileNames)
{
    const std::vector<int> order = naturalOrderOf(fileNames);
    return order.empty() ? -1 : qsizetype(order.front());
}
