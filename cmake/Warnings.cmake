# Warnings are errors on our own code; third-party code (GoogleTest built from
# source for the cross builds) is compiled without them.
function(vexla_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
    -Wimplicit-fallthrough -Werror)
endfunction()
