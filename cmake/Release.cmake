# What `cmake --install` puts in a prefix, and the release files CPack makes of the same layout
# (scripts/release.sh runs it):
#
#   bin/instpack                       the packaging tool (bin/instpack.exe in the Windows archive)
#   share/instpack/                    the prebuilt installer and uninstaller programs of every
#                                      target, where instpack looks for them
#   share/instpack/cmake/              the CMake package: find_package(instpack)
#   share/doc/instpack/                the README, the publishers' and administrators' pages, the
#                                      copyright file and the licence texts of what the programs
#                                      have built into them
#   share/man/man1/instpack.1.gz       the manual page (not in the Windows archive)
#
# The parts, as install components: "common" (everything but the tool), "linux" (bin/instpack
# and the manual page), "windows" (bin/instpack.exe, only in the Windows archive) and "debian"
# (what only the Debian package holds: its lintian overrides). A plain `cmake --install` installs
# the first two.
include(CMakePackageConfigHelpers)
# Folders as files get theirs, whatever the umask of whoever installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

# Where the test suite has scripts/release.sh put the release files, and their names.
set(RELEASE_FILES_DIR ${PROJECT_BINARY_DIR}/release)
set(RELEASE_LINUX_ARCHIVE instpack-${PROJECT_VERSION}-linux-x86_64.tar.gz)
set(RELEASE_DEBIAN_PACKAGE instpack_${PROJECT_VERSION}_amd64.deb)
set(RELEASE_WINDOWS_ARCHIVE instpack-${PROJECT_VERSION}-windows.zip)
set(RELEASE_SETUP_PROGRAM instpack-${PROJECT_VERSION}-setup.exe)

set(INSTPACK_MAINTAINER "instpack developers <instpack@example.org>" CACHE STRING
    "The maintainer the Debian package names (release/changelog names its own)")
set(release_dir ${PROJECT_SOURCE_DIR}/release)

# The changelog's first entry names the release: it must be this version.
file(STRINGS ${release_dir}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^instpack \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "release/changelog begins with \"${changelog_head}\", not with version ${PROJECT_VERSION}")
endif()

# --- the tool ---------------------------------------------------------------------------------
install(TARGETS instpack RUNTIME DESTINATION bin COMPONENT linux)
install(PROGRAMS ${WIN64_BUILD_DIR}/tools/pack/instpack.exe DESTINATION bin COMPONENT windows EXCLUDE_FROM_ALL)

# --- the programs instpack fills in -----------------------------------------------------------
install(PROGRAMS $<TARGET_FILE:installer_program>
                 ${WIN32_BUILD_DIR}/installer-win32.exe ${WIN64_BUILD_DIR}/installer-win64.exe
                 $<TARGET_FILE:uninstaller_program>
                 ${WIN32_BUILD_DIR}/uninstaller-win32.exe ${WIN64_BUILD_DIR}/uninstaller-win64.exe
        DESTINATION share/instpack COMPONENT common)

# --- the CMake package ------------------------------------------------------------------------
# Any 0.9.x instpack serves a project that asks for 0.9; the package suits projects of any
# processor, since what it gives them is a host program.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/instpackConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion ARCH_INDEPENDENT)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/instpackConfig.cmake ${PROJECT_SOURCE_DIR}/cmake/InstpackAddInstaller.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/instpackConfigVersion.cmake
        DESTINATION share/instpack/cmake COMPONENT common)

# --- documentation and licences ---------------------------------------------------------------
# The pages keep their places relative to the README, so that its links hold.
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${release_dir}/copyright DESTINATION share/doc/instpack COMPONENT common)
install(FILES ${PROJECT_SOURCE_DIR}/docs/packaging.md ${PROJECT_SOURCE_DIR}/docs/administrators.md
              ${PROJECT_SOURCE_DIR}/docs/security.md
        DESTINATION share/doc/instpack/docs COMPONENT common)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/screenshots DESTINATION share/doc/instpack/docs COMPONENT common)
# The licence texts as the Debian packages the programs were built from state them.
set(licenses
  zlib ${PROJECT_SOURCE_DIR}/third_party/zlib/LICENSE
  zlib-mingw-w64 /usr/share/doc/libz-mingw-w64-dev/copyright
  tomlplusplus /usr/share/doc/libtomlplusplus-dev/copyright
  cli11 /usr/share/doc/libcli11-dev/copyright
  mingw-w64 /usr/share/doc/mingw-w64-common/copyright
  gcc-mingw-w64 /usr/share/doc/gcc-mingw-w64-base/copyright
  GPL-3 /usr/share/common-licenses/GPL-3)
while(licenses)
  list(POP_FRONT licenses name file)
  install(FILES ${file} DESTINATION share/doc/instpack/licenses RENAME ${name} COMPONENT common)
endwhile()

# The changelog and the manual page, compressed as Debian wants them: gzip -9 with no name and no
# time in the header, so that the same text gives the same bytes.
configure_file(${PROJECT_SOURCE_DIR}/docs/instpack.1.in ${CMAKE_CURRENT_BINARY_DIR}/instpack.1 @ONLY)
set(compressed)
foreach(page "${CMAKE_CURRENT_BINARY_DIR}/instpack.1" "${release_dir}/changelog")
  get_filename_component(name ${page} NAME)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/release-pages/${name}.gz
    COMMAND gzip -9 -n -c ${page} > ${CMAKE_CURRENT_BINARY_DIR}/release-pages/${name}.gz
    DEPENDS ${page}
    COMMENT "Compressing ${name}")
  list(APPEND compressed ${CMAKE_CURRENT_BINARY_DIR}/release-pages/${name}.gz)
endforeach()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/release-pages)
add_custom_target(release_pages ALL DEPENDS ${compressed})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/release-pages/instpack.1.gz DESTINATION share/man/man1 COMPONENT linux)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/release-pages/changelog.gz DESTINATION share/doc/instpack COMPONENT common)
install(FILES ${release_dir}/lintian-overrides DESTINATION share/lintian/overrides RENAME instpack
        COMPONENT debian EXCLUDE_FROM_ALL)

# --- the release files ------------------------------------------------------------------------
# One CPack run makes all three: instpack-<version>-linux-x86_64.tar.gz, instpack_<version>_amd64.deb
# and instpack-<version>-windows.zip. Each generator takes its own components and file name
# (release/cpack_per_generator.cmake).
set(CPACK_PACKAGE_NAME instpack)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "instpack developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "packages a product into a self-extracting Windows installer")
set(CPACK_GENERATOR TGZ DEB ZIP)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/release-files)
set(CPACK_PROJECT_CONFIG_FILE ${release_dir}/cpack_per_generator.cmake)
set(CPACK_INSTPACK_BUILD_DIR ${CMAKE_CURRENT_BINARY_DIR})
set(CPACK_STRIP_FILES TRUE)
set(CPACK_THREADS 0)
# The Debian package: /usr, the dependencies of instpack's shared libraries as dpkg-shlibdeps
# finds them, and osslsigncode, which instpack runs to sign.
set(CPACK_DEBIAN_PACKAGE_NAME instpack)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${INSTPACK_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS osslsigncode)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cmake, wine")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
# The long description; CPack puts the summary above it and indents it as a control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "instpack reads a product description (its settings and its files, in TOML)
and writes a finished self-extracting installer for Windows from a prebuilt
installer program: no compiler is needed. The installer shows a directory
dialog and a progress window, registers a program group, and installs
silently with /S; a product with no uninstaller of its own gets one.

The package holds instpack, the prebuilt installer and uninstaller programs
for 32-bit and 64-bit Windows and for the Linux console edition, the CMake
package (find_package(instpack)) and the documentation.")
include(CPack)
