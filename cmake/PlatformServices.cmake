# The platform layer is split into services, one folder of Platform/ each, one static library
# each. A service names the services it uses (DEPENDS); only services declared before it may be
# named, so the services form layers and no two of them can depend on each other.
#
#   quorvel_platform_service(<Name> [DEPENDS <service>...] [LIBRARIES <library>...])
#
# builds the .cpp files under Platform/<Name>/ (files added later are picked up when the build
# runs) into the target QuorvelPlatform<Name>, linked to the libraries of the services it names
# and to the external LIBRARIES. The declaration is also what the layer check (Tests) compares #include
# lines against: a file of a service may include its own folder and the folders of the services
# it depends on, directly or through them.

set_property(GLOBAL PROPERTY QUORVEL_PLATFORM_SERVICES "")

function(quorvel_platform_service name)
  cmake_parse_arguments(PARSE_ARGV 1 service "" "" "DEPENDS;LIBRARIES")
  get_property(declared GLOBAL PROPERTY QUORVEL_PLATFORM_SERVICES)
  if(name IN_LIST declared)
    message(FATAL_ERROR "Platform service ${name} is declared twice")
  endif()
  set(below "")
  foreach(dependency IN LISTS service_DEPENDS)
    if(NOT dependency IN_LIST declared)
      message(FATAL_ERROR "Platform service ${name} depends on ${dependency}, which is not "
                          "declared before it: a service may only use the services below it")
    endif()
    get_property(indirect GLOBAL PROPERTY QUORVEL_PLATFORM_BELOW_${dependency})
    list(APPEND below ${dependency} ${indirect})
  endforeach()
  list(REMOVE_DUPLICATES below)

  set(target QuorvelPlatform${name})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/Platform/${name}/*.cpp)
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
  foreach(dependency IN LISTS service_DEPENDS)
    target_link_libraries(${target} PUBLIC QuorvelPlatform${dependency})
  endforeach()
  target_link_libraries(${target} PUBLIC ${service_LIBRARIES})

  set_property(GLOBAL APPEND PROPERTY QUORVEL_PLATFORM_SERVICES ${name})
  set_property(GLOBAL PROPERTY QUORVEL_PLATFORM_BELOW_${name} "${below}")
endfunction()

# The names of the declared services, lowest first.
function(quorvel_platform_services out)
  get_property(declared GLOBAL PROPERTY QUORVEL_PLATFORM_SERVICES)
  set(${out} "${declared}" PARENT_SCOPE)
endfunction()

# The libraries of all declared services, lowest first.
function(quorvel_platform_libraries out)
  get_property(declared GLOBAL PROPERTY QUORVEL_PLATFORM_SERVICES)
  list(TRANSFORM declared PREPEND QuorvelPlatform)
  set(${out} "${declared}" PARENT_SCOPE)
endfunction()

# Writes, for the layer check, each service with the services it may use.
function(quorvel_write_platform_layers file)
  get_property(declared GLOBAL PROPERTY QUORVEL_PLATFORM_SERVICES)
  set(content "# Generated from the platform service declarations.\n")
  string(APPEND content "set(QUORVEL_PLATFORM_SERVICES \"${declared}\")\n")
  foreach(name IN LISTS declared)
    get_property(below GLOBAL PROPERTY QUORVEL_PLATFORM_BELOW_${name})
    string(APPEND content "set(QUORVEL_PLATFORM_BELOW_${name} \"${below}\")\n")
  endforeach()
  file(GENERATE OUTPUT ${file} CONTENT "${content}")
endfunction()
