# The layer check: reads every #include line of Platform/ and Source/ and fails when one crosses
# the declared layers.
#
#   cmake -DSOURCE_DIR=<repository> -DLAYERS=<generated layer file> -P CheckLayers.cmake
#
# - A file under Platform/<Service>/ may include files of its own service and of the services it
#   depends on (directly or through them), never a file of Source/.
# - Every folder of Platform/ is a declared service.
# - Only the user interface's Qt backend (Platform/UI/Qt/) includes Qt headers; the rest of the
#   platform knows nothing of Qt.
# - Source/ reaches external libraries only through Platform/: no Qt or OpenCV header.

cmake_minimum_required(VERSION 3.25)
include(${LAYERS})

set(problems "")

file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR}/Platform ${SOURCE_DIR}/Platform/*)
foreach(folder IN LISTS folders)
  if(IS_DIRECTORY ${SOURCE_DIR}/Platform/${folder} AND NOT folder IN_LIST QUORVEL_PLATFORM_SERVICES)
    list(APPEND problems
         "Platform/${folder} is not a declared platform service (quorvel_platform_service)")
  endif()
endforeach()

set(qt_header "^(Qt[A-Za-z]*/|Q[A-Z][A-Za-z]*$)")

function(included_paths file out)
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  set(paths "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" path "${line}")
    list(APPEND paths "${path}")
  endforeach()
  set(${out} "${paths}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE platform_files RELATIVE ${SOURCE_DIR}
     ${SOURCE_DIR}/Platform/*.h ${SOURCE_DIR}/Platform/*.cpp)
foreach(file IN LISTS platform_files)
  string(REGEX REPLACE "^Platform/([^/]+)/.*" "\\1" service "${file}")
  if(NOT service IN_LIST QUORVEL_PLATFORM_SERVICES)
    continue()  # Reported above.
  endif()
  set(allowed ${service} ${QUORVEL_PLATFORM_BELOW_${service}})
  included_paths(${SOURCE_DIR}/${file} paths)
  foreach(path IN LISTS paths)
    if(path MATCHES "${qt_header}" AND NOT file MATCHES "^Platform/UI/Qt/")
      list(APPEND problems "${file} includes ${path}: only the Qt backend (Platform/UI/Qt/) talks to Qt")
    elseif(path MATCHES "^Source/")
      list(APPEND problems "${file} includes ${path}: the platform knows nothing of the framework")
    elseif(path MATCHES "^Platform/([^/]+)/")
      set(used ${CMAKE_MATCH_1})
      if(NOT used IN_LIST allowed)
        list(JOIN allowed ", " allowed_text)
        string(CONCAT problem
               "${file} includes ${path}, but ${service} does not use ${used} (it may include "
               "${allowed_text}): move the code to the service where it belongs, or name ${used} "
               "in DEPENDS of ${service} when ${used} is declared below it")
        list(APPEND problems "${problem}")
      endif()
    endif()
  endforeach()
endforeach()

file(GLOB_RECURSE source_files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/Source/*.h ${SOURCE_DIR}/Source/*.cpp)
foreach(file IN LISTS source_files)
  included_paths(${SOURCE_DIR}/${file} paths)
  foreach(path IN LISTS paths)
    if(path MATCHES "^opencv2/" OR path MATCHES "${qt_header}")
      list(APPEND problems "${file} includes ${path}: Source/ talks to Platform/ instead")
    endif()
  endforeach()
endforeach()

if(problems)
  list(LENGTH problems count)
  list(JOIN problems "\n  " report)
  message(FATAL_ERROR "${count} finding(s) break the layers:\n  ${report}\n")
endif()
list(LENGTH platform_files platform_count)
list(LENGTH source_files source_count)
message(STATUS "Layers hold: ${platform_count} platform and ${source_count} framework files checked")
