# Debian ships OpenCV's CMake package only with the meta package that also pulls in
# highgui (built on Qt 5), so the three components used here are found one by one.
find_path(OPENCV_INCLUDE_DIR opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
foreach(component core imgproc imgcodecs)
    find_library(OPENCV_${component}_LIBRARY opencv_${component} REQUIRED)
    add_library(OpenCV::${component} UNKNOWN IMPORTED)
    set_target_properties(OpenCV::${component} PROPERTIES
        IMPORTED_LOCATION "${OPENCV_${component}_LIBRARY}"
        INTERFACE_INCLUDE_DIRECTORIES "${OPENCV_INCLUDE_DIR}")
endforeach()

# The image codecs are loaded when first wanted, by the name the system's loader knows them by:
# linked in, the hundred and more libraries they bring would slow every start.
set(OPENCV_imgcodecs_SONAME "${OPENCV_imgcodecs_LIBRARY}")
if(IS_SYMLINK "${OPENCV_imgcodecs_LIBRARY}")
    file(READ_SYMLINK "${OPENCV_imgcodecs_LIBRARY}" OPENCV_imgcodecs_SONAME)
endif()
get_filename_component(OPENCV_imgcodecs_SONAME "${OPENCV_imgcodecs_SONAME}" NAME)
string(REGEX MATCH "[0-9]+$" OPENCV_imgcodecs_SOVERSION "${OPENCV_imgcodecs_SONAME}")
