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

include(${CMAKE_CURRENT_LIST_DIR}/strict.cmake)
