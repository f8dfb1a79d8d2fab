# kez-runtime: what the set runs (the programs, the servers, the raw-socket helper, the registry tools and the
# data), so that trying the set builds only that; the installer (setaid), the diagnostic programs, the tests and
# the benchmarks stay in `all`. Included after every component's folder.

# A build-tree run finds the three servers registered in the build tree's hive, as an installed set finds them
# in its own. They are registered again whenever a server or kezregsvr changed; the stamp lives beside the store
# so that a removed store is registered anew. Sanitizer builds leave it out: their runtime options belong to the
# test runs, and a leak report from a build step would fail the build.
if(NOT KEZ_SANITIZE AND NOT KEZ_FUZZ)
  set(kez_servers_stamp ${KEZ_DEFAULT_SYSTEM_REGISTRY_DIR}/servers.stamp)
  set(kez_register_commands)
  foreach(server linkor sonwell corvane)
    list(APPEND kez_register_commands COMMAND ${CMAKE_COMMAND} -E env --unset=KEZ_SYSTEM_REGISTRY_DIR
         KEZ_REGISTRY_DIR=${KEZ_DEFAULT_REGISTRY_DIR} $<TARGET_FILE:kezregsvr> $<TARGET_FILE:${server}>)
  endforeach()
  add_custom_command(OUTPUT ${kez_servers_stamp}
    ${kez_register_commands}
    COMMAND ${CMAKE_COMMAND} -E touch ${kez_servers_stamp}
    DEPENDS kezregsvr linkor sonwell corvane
    COMMENT "Registering linkor, sonwell and corvane in the build tree's hive")
  add_custom_target(kez_registered_servers ALL DEPENDS ${kez_servers_stamp})
endif()

add_custom_target(kez-runtime)
add_dependencies(kez-runtime ombrel wizard linkor sonwell corvane ralnet kezplat kez-rawsock kezreg kezregsvr kez_data
  face_bitmaps)
if(TARGET kez_registered_servers)
  add_dependencies(kez-runtime kez_registered_servers)
endif()
