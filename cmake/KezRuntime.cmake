# kez-runtime: what the set runs (the programs, the servers, the raw-socket helper, the registry tools and the
# data), so that trying the set builds only that; the installer (setaid), the diagnostic programs, the tests and
# the benchmarks stay in `all`. Included after every component's folder.

add_custom_target(kez-runtime)
add_dependencies(kez-runtime ombrel wizard linkor sonwell corvane ralnet kezplat kez-rawsock kezreg kezregsvr kez_data
  face_bitmaps)
