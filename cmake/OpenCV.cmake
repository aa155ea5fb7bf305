# Debian's split OpenCV packages ship no CMake package file for just the modules
# we use, so the libraries are found one by one.
find_path(QUORVEL_OPENCV_INCLUDE opencv2/core.hpp PATH_SUFFIXES opencv4 REQUIRED)
add_library(QuorvelOpenCV INTERFACE)
target_include_directories(QuorvelOpenCV SYSTEM INTERFACE ${QUORVEL_OPENCV_INCLUDE})
foreach(module core imgproc imgcodecs videoio)
  find_library(QUORVEL_OPENCV_${module} opencv_${module} REQUIRED)
  target_link_libraries(QuorvelOpenCV INTERFACE ${QUORVEL_OPENCV_${module}})
endforeach()
