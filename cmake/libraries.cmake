# What the program's own libraries need from outside. Each layer links its
# libraries privately: see ARCHITECTURE.md, "Layers".
find_package(PkgConfig REQUIRED)
pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
pkg_check_modules(JACK REQUIRED IMPORTED_TARGET jack)
pkg_check_modules(FLUIDSYNTH REQUIRED IMPORTED_TARGET fluidsynth)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(SMF REQUIRED IMPORTED_TARGET smf)
pkg_check_modules(PULSE_SIMPLE REQUIRED IMPORTED_TARGET libpulse-simple)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)

# The name a shared library is opened by at run time (its SONAME, such as
# libfluidsynth.so.3), read from the file the linker would use: for the
# libraries the program opens itself when first needed.
function(quorvane_soname variable library_file)
  execute_process(COMMAND objdump -p ${library_file} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
  string(REGEX MATCH "SONAME +([^ \n]+)" found "${headers}")
  if(failed OR NOT CMAKE_MATCH_1)
    message(FATAL_ERROR "No SONAME found in ${library_file}")
  endif()
  set(${variable} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()
quorvane_soname(FLUIDSYNTH_SONAME ${pkgcfg_lib_FLUIDSYNTH_fluidsynth})
quorvane_soname(PULSE_SIMPLE_SONAME ${pkgcfg_lib_PULSE_SIMPLE_pulse-simple})

include(${CMAKE_CURRENT_LIST_DIR}/strict.cmake)
