# The installer programs, the uninstaller programs and instpack_add_installer().
#
#   add_installer_program()
#     builds this build's prebuilt installer program (target installer_program): installer-win32.exe,
#     installer-win64.exe or installer-native, which finds its product in its own image.
#   add_uninstaller_program()
#     builds this build's prebuilt uninstaller program (target uninstaller_program), exactly as the
#     installer program is built: uninstaller-win32.exe, uninstaller-win64.exe or
#     uninstaller-native, which instpack fills in and packs as uninst.exe for a product that brings
#     none.
#   instpack_add_installer(<target> DESCRIPTION <product.toml> [OUTPUT_NAME <name>] ...)
#     packages a product description into a finished installer of this build with instpack, which
#     fills in a copy of this build's installer program (and of its uninstaller program, when the
#     description has no uninst.exe): <binary dir>/<name>(.exe). Nothing is compiled per product.
#     The function is the one the installed package gives publishers (InstpackAddInstaller.cmake);
#     here it runs this build's instpack (INSTPACK_COMMAND, set by the top level) on this build's
#     programs.
include(${CMAKE_CURRENT_LIST_DIR}/InstpackAddInstaller.cmake)

# Compile options for the installer's own code in the Windows builds (the top level adds them
# to INSTALLER_FLAGS). A C++ standard header switches on mingw's own printf (libstdc++ asks for
# C99 formatting), which links about 27 KB of formatting and floating-point code for the "%s"
# and "%d" the installer formats; reading <stdio.h> first, with that switch off, keeps snprintf
# on msvcrt's formatter, whose answers for those formats are the same. The installer never
# unwinds (no exceptions), so it needs no unwind tables either. Only for the installer: programs
# that use exceptions need their unwind tables.
set(INSTALLER_SIZE_FLAGS)
if(WIN32)
  set(INSTALLER_SIZE_FLAGS "$<$<COMPILE_LANGUAGE:C,CXX>:-D__USE_MINGW_ANSI_STDIO=0;--include=stdio.h;-fno-asynchronous-unwind-tables;-fno-unwind-tables>")
endif()

# The version's numbers for the programs' version information (resources/program_version.rc),
# which makes its text of them: the resource compiler's preprocessor is handed no quoted text.
set(INSTALLER_VERSION_DEFINITIONS INSTPACK_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    INSTPACK_VERSION_MINOR=${PROJECT_VERSION_MINOR} INSTPACK_VERSION_PATCH=${PROJECT_VERSION_PATCH})

# This build's kind of installer program, as instpack names it.
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(INSTALLER_TARGET win32)
elseif(WIN32)
  set(INSTALLER_TARGET win64)
else()
  set(INSTALLER_TARGET native)
endif()

# Links USER32 into `target` as a delay-load library made from driver/user32_delayed.def, so that
# it is loaded at run time from the system folder (driver/dll_search_win32.cpp says why). The list
# carries the 32-bit stdcall decorations; the 64-bit library is made from a copy without them.
function(installer_delay_load_user32 target)
  find_program(INSTALLER_DLLTOOL ${MINGW_TRIPLE}-dlltool REQUIRED)
  set(list ${PROJECT_SOURCE_DIR}/driver/user32_delayed.def)
  set(def ${list})
  if(NOT INSTALLER_TARGET STREQUAL win32)
    set(def ${CMAKE_CURRENT_BINARY_DIR}/user32_delayed.def)
    file(READ ${list} exports)
    string(REGEX REPLACE "@[0-9]+" "" exports "${exports}")
    file(WRITE ${def} "${exports}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${list})
  endif()
  set(library ${CMAKE_CURRENT_BINARY_DIR}/libuser32_delayed.a)
  # One library for both programs. Made in the build folder under a relative name: dlltool names
  # the library's symbols after it.
  if(NOT TARGET user32_delayed)
    add_custom_command(OUTPUT ${library}
      COMMAND ${INSTALLER_DLLTOOL} --input-def ${def} --output-delaylib libuser32_delayed.a --dllname USER32.dll --kill-at
      WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      DEPENDS ${def} ${list}
      COMMENT "Making the delay-load library of USER32"
      VERBATIM)
    add_custom_target(user32_delayed DEPENDS ${library})
  endif()
  add_dependencies(${target} user32_delayed)
  # After the installer's libraries, before the toolchain's own USER32 import library.
  target_link_libraries(${target} PRIVATE ${library})
  # The 32-bit linker's --gc-sections does not follow the delay-load table to the stubs the slots
  # start at, and drops them (the first call would jump to address 0): each stub is a root.
  if(INSTALLER_TARGET STREQUAL win32)
    file(STRINGS ${list} stubs REGEX "^  [A-Za-z]")
    foreach(stub IN LISTS stubs)
      string(STRIP "${stub}" stub)
      target_link_options(${target} PRIVATE "-Wl,--undefined=_${stub}")
    endforeach()
  endif()
endfunction()

function(add_installer_program)
  add_executable(installer_program WIN32 ${INSTALLER_PROGRAM_SOURCES})
  # The program names its version and target in the text it shows with no product in it, by which
  # instpack recognises it.
  set_source_files_properties(${INSTALLER_PROGRAM_SOURCES} PROPERTIES
    COMPILE_DEFINITIONS "INSTALLER_TARGET=\"${INSTALLER_TARGET}\";INSTPACK_VERSION=\"${PROJECT_VERSION}\"")
  if(WIN32)
    target_sources(installer_program PRIVATE ${PROJECT_SOURCE_DIR}/resources/installer.rc)
    # windres reports no dependencies, so name the files the script includes.
    file(GLOB resource_parts ${PROJECT_SOURCE_DIR}/resources/*.rc ${PROJECT_SOURCE_DIR}/resources/*.h)
    set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/installer.rc PROPERTIES
      OBJECT_DEPENDS "${resource_parts}" COMPILE_DEFINITIONS "${INSTALLER_VERSION_DEFINITIONS}")
    # Static runtime, no start-up timestamps: the same sources give the same bytes. The entry
    # point is the program's own (driver/main_win32.cpp), not the C runtime's start-up code.
    # The linker's map beside it lets bench/size_breakdown.sh say where the bytes go. Windows 7
    # is the oldest Windows the programs run on (docs/security.md): its version in the header
    # makes an older Windows refuse to start them, rather than let them fail on the way.
    target_link_options(installer_program PRIVATE -static -s -nostartfiles -Wl,--gc-sections
                                                  -Wl,--no-insert-timestamp
                                                  -Wl,--major-subsystem-version,6,--minor-subsystem-version,1
                                                  -Wl,--major-os-version,6,--minor-os-version,1
                                                  -Wl,-Map,${CMAKE_BINARY_DIR}/installer-${INSTALLER_TARGET}.map)
    set_target_properties(installer_program PROPERTIES OUTPUT_NAME installer-${INSTALLER_TARGET})
  else()
    # Stripped: no debugging information, so no path of the build machine, in the program.
    target_link_options(installer_program PRIVATE -s -Wl,--gc-sections)
    set_target_properties(installer_program PROPERTIES OUTPUT_NAME installer-native)
  endif()
  target_compile_options(installer_program PRIVATE ${INSTALLER_FLAGS})
  target_link_libraries(installer_program PRIVATE installer_logic installer_ui)
  if(WIN32)
    installer_delay_load_user32(installer_program)
  endif()
endfunction()

function(add_uninstaller_program)
  add_executable(uninstaller_program WIN32 ${UNINSTALLER_PROGRAM_SOURCES})
  set_source_files_properties(${UNINSTALLER_PROGRAM_SOURCES} PROPERTIES
    COMPILE_DEFINITIONS "INSTALLER_TARGET=\"${INSTALLER_TARGET}\";INSTPACK_VERSION=\"${PROJECT_VERSION}\"")
  # The installer program's own compile and link options, whatever they are, so that the two
  # programs are built alike; only the linker's map gets a name of its own.
  get_target_property(compile_options installer_program COMPILE_OPTIONS)
  get_target_property(link_options installer_program LINK_OPTIONS)
  string(REPLACE "installer-${INSTALLER_TARGET}.map" "uninstaller-${INSTALLER_TARGET}.map" link_options
         "${link_options}")
  target_compile_options(uninstaller_program PRIVATE ${compile_options})
  target_link_options(uninstaller_program PRIVATE ${link_options})
  set_target_properties(uninstaller_program PROPERTIES OUTPUT_NAME uninstaller-${INSTALLER_TARGET})
  target_link_libraries(uninstaller_program PRIVATE installer_logic installer_ui)
  if(WIN32)
    target_sources(uninstaller_program PRIVATE ${PROJECT_SOURCE_DIR}/resources/uninstaller.rc)
    set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/uninstaller.rc PROPERTIES
      OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/resources/program_version.rc
      COMPILE_DEFINITIONS "${INSTALLER_VERSION_DEFINITIONS}")
    installer_delay_load_user32(uninstaller_program)
  endif()
endfunction()

# instpack_add_installer() in this build: this build's programs, of this build's target.
set(INSTPACK_PROGRAM_OPTIONS --stub $<TARGET_FILE:installer_program>
                             --uninstaller-stub $<TARGET_FILE:uninstaller_program>)
set(INSTPACK_PROGRAM_DEPENDS installer_program uninstaller_program)
set(INSTPACK_DEFAULT_TARGET ${INSTALLER_TARGET})
