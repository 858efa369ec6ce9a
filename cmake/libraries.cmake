# What the program's own libraries need, shared by the program's build and the
# fuzz build (which compiles src/values and src/midi again with clang).
find_package(PkgConfig REQUIRED)
pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
pkg_check_modules(JACK REQUIRED IMPORTED_TARGET jack)
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(SMF REQUIRED IMPORTED_TARGET smf)
pkg_check_modules(PULSE_SIMPLE REQUIRED IMPORTED_TARGET libpulse-simple)

# Our own code builds warning-free; generated and third-party code is left alone.
function(quorvane_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
