# add_installer(): packages a product description into an installer executable of this build.
#
#   add_installer(<target> DESCRIPTION <product.toml> [OUTPUT_NAME <name>] [DEPENDS <targets>...])
#
# The packaging tool writes the settings record, the payload table and the packed pieces into
# <binary dir>/generated/<target>/; the pieces are assembled straight into the executable with
# .incbin, so the compiler never parses payload bytes.

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

function(add_installer target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "DESCRIPTION;OUTPUT_NAME" "DEPENDS")
  set(generated ${CMAKE_CURRENT_BINARY_DIR}/generated/${target})
  add_custom_command(
    OUTPUT ${generated}/payload_table.cpp ${generated}/payload.bin
    COMMAND ${INSTPACK_COMMAND} ${ARG_DESCRIPTION} --out-dir ${generated} --depfile ${generated}/payload.d
    DEPFILE ${generated}/payload.d
    DEPENDS ${INSTPACK_DEPENDS} ${INSTPACK_FILE} ${ARG_DESCRIPTION} ${ARG_DEPENDS}
    COMMENT "Packaging ${target} from ${ARG_DESCRIPTION}"
    VERBATIM)
  set_source_files_properties(${generated}/payload_table.cpp PROPERTIES
    OBJECT_DEPENDS ${generated}/payload.bin
    COMPILE_OPTIONS "-Wa,-I,${generated}")

  add_executable(${target} WIN32 ${INSTALLER_MAIN} ${generated}/payload_table.cpp)
  if(WIN32)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/resources/installer.rc)
    # windres reports no dependencies, so name the files the script includes.
    file(GLOB resource_parts ${PROJECT_SOURCE_DIR}/resources/*.rc ${PROJECT_SOURCE_DIR}/resources/*.h)
    set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/installer.rc PROPERTIES
      OBJECT_DEPENDS "${resource_parts}")
    # Static runtime, no start-up timestamps: the same inputs give the same bytes.
    target_link_options(${target} PRIVATE -static -s -Wl,--gc-sections -Wl,--no-insert-timestamp)
  else()
    target_link_options(${target} PRIVATE -Wl,--gc-sections)
  endif()
  target_compile_options(${target} PRIVATE ${INSTALLER_FLAGS})
  target_link_libraries(${target} PRIVATE installer_logic installer_ui)
  if(ARG_OUTPUT_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
  endif()
endfunction()
