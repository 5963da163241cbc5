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
