# Where programs and libraries look for the project's shared libraries: explicit RUNPATHs, never an empty or
# relative entry (the loader reads those as the folder a program is started in).
#
# CMake's own build-tree RPATH is padded with separators so that the install RPATH fits in its place, and each
# separator is an empty entry; the Ninja generator cannot relink at install instead. So every target is linked
# once with a RUNPATH valid in both trees: first its installed entry, then `$ORIGIN`-relative entries to the build
# folders of the project's shared libraries. At install every installed ELF file keeps its first entry only.
#
# Installed layout: programs in bin and sbin find the private libraries in <libdir>/kez-ombrel, where those
# libraries find each other by `$ORIGIN`. Programs listed in KEZ_RUNPATH_NONE (kez-rawsock, which holds a file
# capability and links no library of ours) carry no RUNPATH at all.
include(GNUInstallDirs)

set(KEZ_PRIVATE_LIBDIR "${CMAKE_INSTALL_LIBDIR}/kez-ombrel")
set(KEZ_RUNPATH_NONE kez-rawsock)

set(CMAKE_SKIP_RPATH OFF)
set(CMAKE_SKIP_INSTALL_RPATH OFF)
set(CMAKE_BUILD_WITH_INSTALL_RPATH ON)
set(CMAKE_INSTALL_RPATH_USE_LINK_PATH OFF)

function(kez_runpath_targets directory out)
  get_property(targets DIRECTORY "${directory}" PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirectories DIRECTORY "${directory}" PROPERTY SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    kez_runpath_targets("${subdirectory}" below)
    list(APPEND targets ${below})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

# The folder a target's file is written to; only plain paths can be related to others.
function(kez_runpath_output_dir target out)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    get_target_property(folder ${target} RUNTIME_OUTPUT_DIRECTORY)
  else()
    get_target_property(folder ${target} LIBRARY_OUTPUT_DIRECTORY)
  endif()
  if(NOT folder)
    get_target_property(folder ${target} BINARY_DIR)
  endif()
  if(folder MATCHES "\\$<")
    message(FATAL_ERROR "KezRunpath: the output folder of ${target} is a generator expression; "
                        "list it in KEZ_RUNPATH_NONE or give it a plain folder")
  endif()
  set(${out} "${folder}" PARENT_SCOPE)
endfunction()

function(kez_apply_runpaths)
  kez_runpath_targets("${CMAKE_SOURCE_DIR}" targets)
  set(elf_targets)
  set(library_dirs)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
      list(APPEND elf_targets ${target})
    endif()
    if(type STREQUAL "SHARED_LIBRARY")
      kez_runpath_output_dir(${target} folder)
      list(APPEND library_dirs "${folder}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES library_dirs)

  foreach(target IN LISTS elf_targets)
    if(target IN_LIST KEZ_RUNPATH_NONE)
      set_target_properties(${target} PROPERTIES INSTALL_RPATH "")
      continue()
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      set(runpath "$ORIGIN/../${KEZ_PRIVATE_LIBDIR}")
    else()
      set(runpath "$ORIGIN")
    endif()
    kez_runpath_output_dir(${target} own)
    foreach(folder IN LISTS library_dirs)
      file(RELATIVE_PATH relative "${own}" "${folder}")
      string(REGEX REPLACE "/$" "" relative "${relative}")
      if(relative STREQUAL "")
        list(APPEND runpath "$ORIGIN")
      else()
        list(APPEND runpath "$ORIGIN/${relative}")
      endif()
    endforeach()
    list(REMOVE_DUPLICATES runpath)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${runpath}")
  endforeach()

  # Runs after every other install rule (install rules keep the order of their directories).
  install(CODE "include(\"${CMAKE_CURRENT_FUNCTION_LIST_DIR}/KezInstalledRunpath.cmake\")
kez_keep_installed_runpath(\"\${CMAKE_INSTALL_MANIFEST_FILES}\")" ALL_COMPONENTS)
endfunction()

cmake_language(DEFER CALL kez_apply_runpaths)
