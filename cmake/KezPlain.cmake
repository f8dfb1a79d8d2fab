# kez_without_sanitizers(<target>): builds a target without the sanitizers, for a tool the build itself runs outside the
# test environment a sanitizer runtime needs (ThreadSanitizer wants a fixed address layout).
function(kez_without_sanitizers target)
  foreach(property COMPILE_OPTIONS LINK_OPTIONS)
    get_target_property(options ${target} ${property})
    if(options)
      list(FILTER options EXCLUDE REGEX "sanitize")
      set_target_properties(${target} PROPERTIES ${property} "${options}")
    endif()
  endforeach()
endfunction()
