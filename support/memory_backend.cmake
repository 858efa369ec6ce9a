# The in-memory MIDI back end of the unit tests, the benchmarks and the fuzz
# targets: a library of its own, since the fuzz build takes it without the
# other helpers, which need a JACK server or an X display.
add_library(quorvane_test_midi STATIC ${CMAKE_CURRENT_LIST_DIR}/memory_backend.cpp)
target_include_directories(quorvane_test_midi PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quorvane_test_midi PUBLIC quorvane_midi)
quorvane_strict(quorvane_test_midi)
