# The build tree's data folder, which a build-tree run reads as its shipped data: the source data/ staged
# there together with what the build draws into it (the face's bitmaps). Installed as <prefix>/share/kez-ombrel.
include(GNUInstallDirs)
set(KEZ_BUILD_DATA_DIR ${CMAKE_BINARY_DIR}/data)
# The help is written once, in English, and staged under every language's folder the programs open.
set(kez_help_stems SIMPLIFIED TRADITIONAL french german italian mexican ruduzeze spanish)
set(kez_help_copies)
foreach(stem IN LISTS kez_help_stems)
  list(APPEND kez_help_copies COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/help/english/index.html
       ${KEZ_BUILD_DATA_DIR}/help/${stem}/index.html)
endforeach()
add_custom_target(kez_data ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data ${KEZ_BUILD_DATA_DIR}
  ${kez_help_copies}
  COMMENT "Staging data/")
install(DIRECTORY ${KEZ_BUILD_DATA_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kez-ombrel
  PATTERN README.md EXCLUDE PATTERN applications EXCLUDE)
# The menu entries.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/applications/ DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
