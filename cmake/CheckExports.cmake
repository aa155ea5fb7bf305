# Checks what the shared library exports: the host interface and nothing else.
#
#   cmake -DNM=<nm> -DLIBRARY=<libQuorvelCapture.so> -P CheckExports.cmake

cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${NM} -D --defined-only -C ${LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
string(REPLACE ";" "," symbols "${symbols}")
string(REPLACE "\n" ";" symbols "${symbols}")

set(problems "")
set(count 0)
foreach(line IN LISTS symbols)
  if(line STREQUAL "")
    continue()
  endif()
  math(EXPR count "${count} + 1")
  string(REGEX REPLACE "^[0-9a-f]* *[A-Za-z] " "" name "${line}")
  if(NOT name MATCHES "quorvel::")
    list(APPEND problems "outside the framework's namespace: ${name}")
  elseif(name MATCHES "^quorvel::platform::(vision::|findQuadrilaterals|findGradientEdges|WorkerPool|WorkList|LogFormatter|FontRegistry|ImageLaplacian|Texture)")
    list(APPEND problems "a platform internal: ${name}")
  endif()
endforeach()

# What a host calls, present.
foreach(expected "quorvel::CaptureConfiguration::" "quorvel::CaptureViewModel::"
        "quorvel::platform::Bundle::atPath" "quorvel::platform::MainRunLoop::run"
        "quorvel::platform::SimulatedCameraDevice::make" "typeinfo for quorvel::CaptureTheme")
  string(FIND "${symbols}" "${expected}" found)
  if(found EQUAL -1)
    list(APPEND problems "not exported: ${expected}")
  endif()
endforeach()

if(problems)
  list(JOIN problems "\n  " report)
  message(FATAL_ERROR "${LIBRARY} exports the wrong symbols:\n  ${report}\n")
endif()
message(STATUS "${count} exported symbols, all of the host interface")
