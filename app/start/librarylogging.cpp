#include "librarylogging.h"

#include <opencv2/core/utils/logger.hpp>

void silenceImageLibraryLogging()
{
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
}
