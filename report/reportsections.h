#ifndef QUADROTAG_REPORTSECTIONS_H
#define QUADROTAG_REPORTSECTIONS_H

#include "reportinput.h"

#include <QString>

// The sections of the page, each a <section> of its own.
QString progressSection(const ReportInput& input);
QString peopleSection(const ReportInput& input);
QString contentSection(const ReportInput& input);
QString qualitySection(const ReportInput& input);
// Empty without a second copy.
QString agreementSection(const ReportInput& input);

// A row of big figures, each with its name under it.
QString figureTiles(const std::vector<std::pair<QString, QString>>& tiles);

#endif
