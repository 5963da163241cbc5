#ifndef QUADROTAG_REPORTPAGE_H
#define QUADROTAG_REPORTPAGE_H

#include "reportinput.h"

#include <QByteArray>

// The whole page in UTF-8: its style sheet, charts and thumbnails inside it, nothing fetched.
QByteArray reportPage(const ReportInput& input);

#endif
