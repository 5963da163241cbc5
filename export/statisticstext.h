#ifndef QUADROTAG_STATISTICSTEXT_H
#define QUADROTAG_STATISTICSTEXT_H

#include "datasetstatistics.h"

#include <QByteArray>

// The statistics as one JSON object on one line, keys in a fixed order.
QByteArray statisticsJson(const DatasetStatistics& statistics, int problems);

// The statistics as tables for people to read.
QByteArray statisticsTable(const DatasetStatistics& statistics, int problems);

#endif
