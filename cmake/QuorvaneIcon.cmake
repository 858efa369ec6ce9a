# The program's icon is one drawing (packaging/quorvane.svg). It is rendered to
# the bitmap sizes that window managers, panels and menus ask for and installed
# into the hicolor icon theme beside the drawing itself. The pictures up to
# 128 pixels also become the windows' icon, built into the program as a Qt
# resource: a window hands every picture of its icon to the display server
# when it opens, and the 256-pixel one alone would be two thirds of it. What
# shows an icon that large (a dock, a switcher) finds the installed theme's.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

set(QUORVANE_ICON_SIZES 16 22 24 32 48 64 128 256)

function(quorvane_add_icon target svg)
  set(pictures)
  set(rendered)
  foreach(size IN LISTS QUORVANE_ICON_SIZES)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size})
    set(png ${dir}/${QUORVANE_APP_ID}.png)
    add_custom_command(
      OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${svg}
      DEPENDS ${svg}
      COMMENT "Rendering the ${size}x${size} icon"
      VERBATIM)
    list(APPEND rendered ${png})
    if(size LESS_EQUAL 128)
      list(APPEND pictures ${png})
    endif()
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${QUORVANE_APP_ID}.svg)
  # Every size is rendered with the target, the installed ones too.
  target_sources(${target} PRIVATE ${rendered})
  qt_add_resources(${target} quorvane_icon PREFIX /icon BASE ${CMAKE_CURRENT_BINARY_DIR}/icons FILES ${pictures})
endfunction()
