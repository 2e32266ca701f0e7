# find_package(instpack): instpack and its prebuilt installer programs as installed (from the
# release archive, the Debian package or `cmake --install`), and instpack_add_installer() to
# package a product into an installer as part of a build:
#
#   find_package(instpack 0.9 REQUIRED)
#   instpack_add_installer(my_setup DESCRIPTION product.toml OUTPUT_NAME my-setup)
#
# Gives the imported executable instpack::instpack, INSTPACK_EXECUTABLE (its path) and
# INSTPACK_PROGRAMS_DIR (the folder of the installer and uninstaller programs it fills in). The
# installed layout is <prefix>/bin/instpack and <prefix>/share/instpack/, with this file in
# <prefix>/share/instpack/cmake/; it is found wherever the prefix was unpacked or installed.
get_filename_component(_instpack_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(CMAKE_HOST_WIN32)
  set(INSTPACK_EXECUTABLE "${_instpack_prefix}/bin/instpack.exe")
else()
  set(INSTPACK_EXECUTABLE "${_instpack_prefix}/bin/instpack")
endif()
set(INSTPACK_PROGRAMS_DIR "${_instpack_prefix}/share/instpack")
unset(_instpack_prefix)

if(NOT EXISTS "${INSTPACK_EXECUTABLE}")
  set(instpack_FOUND FALSE)
  set(instpack_NOT_FOUND_MESSAGE "${INSTPACK_EXECUTABLE} is missing beside ${CMAKE_CURRENT_LIST_FILE}")
  return()
endif()
if(NOT TARGET instpack::instpack)
  add_executable(instpack::instpack IMPORTED)
  set_target_properties(instpack::instpack PROPERTIES IMPORTED_LOCATION "${INSTPACK_EXECUTABLE}")
endif()

# instpack_add_installer() runs this instpack, which fills in the programs installed beside it.
set(INSTPACK_COMMAND "${INSTPACK_EXECUTABLE}")
set(INSTPACK_COMMAND_DEPENDS "${INSTPACK_EXECUTABLE}")
set(INSTPACK_PROGRAM_OPTIONS)
set(INSTPACK_PROGRAM_DEPENDS)
set(INSTPACK_DEFAULT_TARGET win32)
include("${CMAKE_CURRENT_LIST_DIR}/InstpackAddInstaller.cmake")
