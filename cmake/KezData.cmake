# The build tree's data folder, which a build-tree run reads as its shipped data: the source data/ staged
# there together with what the build draws into it (the face's bitmaps). Installed as <prefix>/share/kez-ombrel.
include(GNUInstallDirs)
set(KEZ_BUILD_DATA_DIR ${CMAKE_BINARY_DIR}/data)
add_custom_target(kez_data ALL
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data ${KEZ_BUILD_DATA_DIR}
  COMMENT "Staging data/")
install(DIRECTORY ${KEZ_BUILD_DATA_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kez-ombrel PATTERN README.md EXCLUDE)
