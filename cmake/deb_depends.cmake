# Read by CPack when it makes the .deb: Depends from dpkg-shlibdeps of the
# programs alone, and the PostgreSQL module's client library as a Recommends.

# The shlibs:Depends that dpkg-shlibdeps gives for `files`, into `out`.
function(trackctl_shlibs out)
  set(work "${CPACK_TRACKCTL_BINARY_DIR}/shlibdeps")
  file(MAKE_DIRECTORY "${work}/debian")
  file(TOUCH "${work}/debian/control")
  execute_process(COMMAND ${CPACK_TRACKCTL_SHLIBDEPS} -O ${ARGN}
                  WORKING_DIRECTORY "${work}" OUTPUT_VARIABLE text RESULT_VARIABLE status ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "dpkg-shlibdeps ${ARGN}: ${errors}")
  endif()
  string(REGEX MATCH "shlibs:Depends=([^\n]*)" line "${text}")
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_TRACKCTL_SHLIBDEPS)
  trackctl_shlibs(CPACK_DEBIAN_PACKAGE_DEPENDS ${CPACK_TRACKCTL_PROGRAMS})
  if(CPACK_TRACKCTL_MODULE)
    trackctl_shlibs(module_depends ${CPACK_TRACKCTL_MODULE})
    string(REGEX MATCH "libpq5[^,]*" CPACK_DEBIAN_PACKAGE_RECOMMENDS "${module_depends}")
  endif()
endif()
