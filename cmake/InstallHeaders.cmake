# Part of the install step: copies the headers of the host interface, as listed when the library
# was linked, to include/QuorvelCapture with their paths in the repository.

if(NOT EXISTS "${QUORVEL_HOST_HEADER_LIST}")
  message(FATAL_ERROR "${QUORVEL_HOST_HEADER_LIST} is missing: build the library before installing")
endif()
file(STRINGS "${QUORVEL_HOST_HEADER_LIST}" headers)
foreach(header IN LISTS headers)
  get_filename_component(folder "${header}" DIRECTORY)
  file(INSTALL "${QUORVEL_SOURCE_DIR}/${header}"
       DESTINATION "${CMAKE_INSTALL_PREFIX}/${QUORVEL_INSTALL_INCLUDEDIR}/${folder}")
endforeach()
