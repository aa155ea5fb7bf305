# The installed tree serves a host: installs the build into a scratch prefix, then builds the
# minimal host outside the tree against it, once through the CMake package and once through
# pkg-config (both asking for warnings, which fail the build), and runs both: each presents the
# capture flow off-screen and must get a page back.
#
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DLIBDIR=<lib dir, relative>
#         -DCXX=<compiler> "-DCXX_FLAGS=<flags>" -DPKG_CONFIG=<pkg-config> -P CheckInstall.cmake

cmake_minimum_required(VERSION 3.25)

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    list(JOIN ARGV " " command)
    message(FATAL_ERROR "failed (${status}): ${command}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(libdir ${prefix}/${LIBDIR})
file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

# The installed tree: headers at the paths a host writes, only those of the host interface; the
# library with its version and soname; the resource bundle next to it.
set(problems "")
foreach(expected
        include/QuorvelCapture/Source/Configuration/CaptureConfiguration.h
        include/QuorvelCapture/Source/Capture/Engine/CaptureViewModel.h
        include/QuorvelCapture/Platform/Foundation/Bundle.h
        include/QuorvelCapture/Platform/Camera/SimulatedCameraDevice.h
        ${LIBDIR}/QuorvelCaptureResources.bundle/Assets.json
        ${LIBDIR}/cmake/QuorvelCapture/QuorvelCaptureConfig.cmake
        ${LIBDIR}/pkgconfig/quorvel-capture.pc)
  if(NOT EXISTS ${prefix}/${expected})
    list(APPEND problems "missing: ${expected}")
  endif()
endforeach()
foreach(unexpected include/QuorvelCapture/Platform/Vision/QuadrilateralFinder.h
        include/QuorvelCapture/Platform/Dispatch/WorkerPool.h)
  if(EXISTS ${prefix}/${unexpected})
    list(APPEND problems "installed, though not part of the host interface: ${unexpected}")
  endif()
endforeach()
file(GLOB libraries RELATIVE ${libdir} ${libdir}/libQuorvelCapture.so*)
list(SORT libraries)
if(NOT libraries MATCHES "^libQuorvelCapture\\.so;libQuorvelCapture\\.so\\.[0-9]+;libQuorvelCapture\\.so\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
  list(APPEND problems "the library is not installed with a version and a soname: ${libraries}")
endif()
if(problems)
  list(JOIN problems "\n  " report)
  message(FATAL_ERROR "The installed tree is wrong:\n  ${report}")
endif()

set(bundle ${libdir}/QuorvelCaptureResources.bundle)
# A host that asks for warnings gets none from the library's headers, nor from those they include.
set(host_warnings "-Wall -Wextra -Werror")

# The hosts work the capture flow by themselves only off-screen; with a display they would wait
# for a user.
set(ENV{QT_QPA_PLATFORM} offscreen)

# Through the CMake package.
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/Examples/minimal-host -B ${WORK_DIR}/cmake-host
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS} ${host_warnings}"
    -DCMAKE_BUILD_TYPE=Debug)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake-host)
run(${WORK_DIR}/cmake-host/minimal-host ${bundle})
message(STATUS "Built with find_package(QuorvelCapture):\n${output}")

# Through pkg-config, seeing only the installed tree.
set(ENV{PKG_CONFIG_LIBDIR} ${libdir}/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
run(${PKG_CONFIG} --cflags --libs quorvel-capture)
string(STRIP "${output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
separate_arguments(extra UNIX_COMMAND "${CXX_FLAGS} ${host_warnings}")
run(${CXX} -std=c++20 ${extra} ${SOURCE_DIR}/Examples/minimal-host/main.cpp
    -o ${WORK_DIR}/pkg-config-host ${flags} -Wl,-rpath,${libdir})
run(${WORK_DIR}/pkg-config-host ${bundle})
message(STATUS "Built with pkg-config quorvel-capture:\n${output}")

file(REMOVE_RECURSE ${WORK_DIR})
