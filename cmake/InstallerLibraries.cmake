# The installer's libraries. Each uses only those above it in this list, and the build links
# each once, in this order reversed:
#   installer_product   the settings record, the payload table and the piece checksum (product/)
#   installer_services  platform services that unit tests use for real: files, environment,
#                       profile, and the path rules of Windows
#   installer_ui        platform pieces that face the user or the desktop: message boxes, the
#                       dialog and the two small windows, the DDE client, the desktop's windows,
#                       heap, threads, sleep, the clock and starting a program; unit tests link
#                       fakes in their place
#   installer_logic     the portable logic: the installation sequence and the subsystems' rules
# What a lower library needs from a higher one (the dialog's OK check, the DDE client's
# connection rule) it receives as an argument. Each folder's sources.cmake adds its files to
# these libraries, so that every source is listed once; the top-level build and the benchmarks
# both include this file.
get_filename_component(INSTALLER_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# Compiled without exceptions or RTTI and for size: the installer is plain procedural code.
set(INSTALLER_FLAGS -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections ${INSTALLER_SIZE_FLAGS})

add_subdirectory(${INSTALLER_ROOT}/product ${CMAKE_BINARY_DIR}/product)
add_library(installer_services STATIC)
add_library(installer_ui STATIC)
add_library(installer_logic STATIC)

# Unit test sources, listed by each folder beside its own sources.
set(UNIT_TEST_SOURCES)
foreach(folder platform datadir payload shell driver)
  include(${INSTALLER_ROOT}/${folder}/sources.cmake)
endforeach()

foreach(library installer_services installer_ui installer_logic)
  target_include_directories(${library} PUBLIC ${INSTALLER_ROOT})
  target_compile_options(${library} PRIVATE ${INSTALLER_FLAGS})
endforeach()
target_link_libraries(installer_ui PUBLIC installer_services)
target_link_libraries(installer_logic PUBLIC installer_services installer_product ZLIB::ZLIB)
