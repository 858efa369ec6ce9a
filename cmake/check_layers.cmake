cmake_minimum_required(VERSION 3.25)

# Fails the build when a file of src/ includes a layer it may not use, or an
# outside library's header that belongs to another layer. Run as a script:
#   cmake -DSOURCE_DIR=<folder whose sub-folders are the layers> -DSTAMP=<file> -P check_layers.cmake
# Every include of the program's own headers is written "layer/file.h", so the
# first part of its path names the layer it comes from.

# The layers each layer may include, itself always among them.
set(uses_values values)
set(uses_midi midi values)
set(uses_sync sync)
set(uses_link link sync)
set(uses_devices devices sync midi values)
set(uses_synth synth midi values)
set(uses_engine engine sync midi values)
set(uses_take take midi values)
set(uses_ui ui engine take link sync midi values)
set(uses_app app ui engine take devices synth link sync midi values)
set(layers values midi sync link devices synth engine take ui app)

# Outside libraries, by the start of their headers' paths, and the layers
# (joined by "|") whose files may include them. Qt and the standard library
# are open to all.
set(library_headers "jack/" "RtMidi.h" "alsa/" "fluidsynth" "pulse/" "smf.h" "ableton/")
set(library_layers devices devices devices synth synth take link)

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
set(faults "")
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" layer ${file})
  if(NOT layer IN_LIST layers)
    string(APPEND faults "\n  ${file}: ${layer}/ is no layer the check knows; add it to cmake/check_layers.cmake")
    continue()
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(included ${CMAKE_MATCH_1})
      string(REGEX MATCH "^[^/]+/" from ${included})
      string(REGEX REPLACE "/$" "" from "${from}")
      if(NOT from IN_LIST layers)
        string(APPEND faults "\n  ${file}: \"${included}\": write the program's includes as \"layer/file.h\"")
      elseif(NOT from IN_LIST uses_${layer})
        string(JOIN ", " allowed ${uses_${layer}})
        string(APPEND faults "\n  ${file}: \"${included}\": ${layer} may use ${allowed} only")
      endif()
    elseif(line MATCHES "#[ \t]*include[ \t]*<([^>]+)>")
      set(included ${CMAKE_MATCH_1})
      foreach(prefix owners IN ZIP_LISTS library_headers library_layers)
        string(FIND "${included}" "${prefix}" at)
        string(REPLACE "|" ";" owner_list "${owners}")
        if(at EQUAL 0 AND NOT layer IN_LIST owner_list)
          string(REPLACE "|" ", " owner_text "${owners}")
          string(APPEND faults "\n  ${file}: <${included}> belongs to ${owner_text} alone")
        endif()
      endforeach()
    endif()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Layer check failed (ARCHITECTURE.md, \"Layers\"):${faults}")
endif()
file(TOUCH ${STAMP})
