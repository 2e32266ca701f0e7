# Read by CPack once for each release file (CPACK_PROJECT_CONFIG_FILE): which install components
# go into it, and its name.
set(build ${CPACK_INSTPACK_BUILD_DIR})
set(version ${CPACK_PACKAGE_VERSION})
if(CPACK_GENERATOR STREQUAL "TGZ")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${build};small_installer;common;/;${build};small_installer;linux;/")
  set(CPACK_PACKAGE_FILE_NAME instpack-${version}-linux-x86_64)
elseif(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${build};small_installer;common;/;${build};small_installer;linux;/;${build};small_installer;debian;/")
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_INSTALL_CMAKE_PROJECTS "${build};small_installer;common;/;${build};small_installer;windows;/")
  set(CPACK_PACKAGE_FILE_NAME instpack-${version}-windows)
endif()
