# instpack_add_installer(): a build target that packages a product description into a finished
# installer with instpack. The one definition, for this project's own build (sample/) and for any
# project that finds the installed package with find_package(instpack) (instpackConfig.cmake).
#
#   instpack_add_installer(<target> DESCRIPTION <product.toml> [OUTPUT_NAME <name>]
#                          [TREE <folder> | INSTALL_RULES [COMPONENT <component>]]
#                          [TARGET win32|win64|native] [DATA_FILES <size>] [DEPENDS <targets or files>...]
#                          [OPTIONS <instpack options>...])
#     writes <current binary dir>/<name>.exe (<name> alone for native; <name> defaults to
#     <target>) from the description, a relative path being taken from the current source dir,
#     and writes it again whenever the description, a file it lists, its icon, instpack or one of
#     the programs it fills in has changed: instpack's --depfile names them all. TARGET is the
#     installer program (default: win32, the product). DEPENDS adds what the build must make
#     first, such as the targets that build the product's own programs. OPTIONS are handed to
#     instpack as they are, for example --certificate publisher.pem --key publisher.key. The
#     target's property INSTALLER_FILE holds the installer's path.
#     DATA_FILES puts the product's data into files of at most <size> bytes (or with K, M or G)
#     beside the installer, <name>-1.bin, <name>-2.bin ... (instpack --data-files); ship them with
#     it.
#     TREE packs every file under <folder> (relative: from the current source dir) after the
#     description's own files, at its path below <folder>; the description may then leave out
#     `files`, and a file added to the folder packages the installer again.
#     INSTALL_RULES packs what the project's own install() rules install, as CPack's installer
#     generators do: each time the installer is made, `cmake --install` of this build (only
#     <component> with COMPONENT) into a fresh folder of the build, <target>-install/, which is then
#     packed as TREE would. The rules install built programs: name their targets in DEPENDS, so
#     that they are built first and a rebuilt one packages the installer again (and any other
#     installed file whose change should do the same).
#
# Whoever includes this file sets, before the function is called:
#   INSTPACK_COMMAND          the instpack to run
#   INSTPACK_COMMAND_DEPENDS  the files and targets that make or are that instpack
#   INSTPACK_PROGRAM_OPTIONS  the options naming the programs to fill in (--stub ...), or none
#                             for those installed beside instpack
#   INSTPACK_PROGRAM_DEPENDS  the targets that build those programs, if any
#   INSTPACK_DEFAULT_TARGET   TARGET when the call gives none
function(instpack_add_installer target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "INSTALL_RULES" "DESCRIPTION;OUTPUT_NAME;TARGET;TREE;COMPONENT;DATA_FILES"
                        "DEPENDS;OPTIONS")
  if(ARG_UNPARSED_ARGUMENTS OR NOT ARG_DESCRIPTION)
    message(FATAL_ERROR "instpack_add_installer(${target} DESCRIPTION <product.toml> ...): "
                        "unexpected or missing arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(ARG_TREE AND ARG_INSTALL_RULES)
    message(FATAL_ERROR "instpack_add_installer(${target}): TREE or INSTALL_RULES, not both")
  endif()
  if(ARG_COMPONENT AND NOT ARG_INSTALL_RULES)
    message(FATAL_ERROR "instpack_add_installer(${target}): COMPONENT goes with INSTALL_RULES")
  endif()
  set(installer_target ${INSTPACK_DEFAULT_TARGET})
  if(ARG_TARGET)
    set(installer_target ${ARG_TARGET})
  endif()
  if(NOT installer_target MATCHES "^(win32|win64|native)$")
    message(FATAL_ERROR "instpack_add_installer(${target}): TARGET is win32, win64 or native, not "
                        "\"${installer_target}\"")
  endif()
  set(name ${target})
  if(ARG_OUTPUT_NAME)
    set(name ${ARG_OUTPUT_NAME})
  endif()
  if(NOT installer_target STREQUAL "native")
    string(APPEND name .exe)
  elseif(name STREQUAL target AND CMAKE_CURRENT_BINARY_DIR STREQUAL CMAKE_BINARY_DIR)
    # Ninja knows the target and a file of the same name in the top build folder as one thing.
    message(FATAL_ERROR "instpack_add_installer(${target} ... TARGET native): give an OUTPUT_NAME other than the "
                        "target's name, which the native installer would otherwise share with the target")
  endif()
  get_filename_component(description ${ARG_DESCRIPTION} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${name})
  set(tree_options "")
  set(staging "")
  if(ARG_TREE)
    get_filename_component(tree ${ARG_TREE} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    set(tree_options --tree ${tree})
  elseif(ARG_INSTALL_RULES)
    # A fresh folder each time, so that a file the rules no longer install is not packed.
    set(stage ${CMAKE_CURRENT_BINARY_DIR}/${target}-install)
    set(install_options "")
    if(ARG_COMPONENT)
      list(APPEND install_options --component ${ARG_COMPONENT})
    endif()
    get_property(multi_config GLOBAL PROPERTY GENERATOR_IS_MULTI_CONFIG)
    if(multi_config)
      list(APPEND install_options --config $<CONFIG>)
    endif()
    set(staging COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
                COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${stage} ${install_options})
    set(tree_options --tree ${stage})
  endif()
  set(data_file_options "")
  if(ARG_DATA_FILES)
    set(data_file_options --data-files ${ARG_DATA_FILES})
  endif()
  add_custom_command(
    OUTPUT ${output}
    ${staging}
    COMMAND ${INSTPACK_COMMAND} ${description} -o ${output} ${tree_options} --target ${installer_target}
            ${INSTPACK_PROGRAM_OPTIONS} ${data_file_options} ${ARG_OPTIONS} --depfile ${output}.d
    DEPFILE ${output}.d
    DEPENDS ${INSTPACK_COMMAND_DEPENDS} ${INSTPACK_PROGRAM_DEPENDS} ${description} ${ARG_DEPENDS}
    COMMENT "Packaging ${name} from ${description}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
  set_target_properties(${target} PROPERTIES INSTALLER_FILE ${output})
endfunction()
