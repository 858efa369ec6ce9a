# Our own code builds warning-free; generated and third-party code is left alone.
# Where the layer check exists (the program's build, not the fuzz build), our
# code compiles only once the includes of src/ have passed it.
function(quorvane_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(TARGET quorvane_layer_check)
    add_dependencies(${target} quorvane_layer_check)
  endif()
endfunction()
