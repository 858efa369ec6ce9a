# The program's icon is one drawing (packaging/quorvane.svg). It is rendered to
# the bitmap sizes that window managers, panels and menus ask for; the same
# pictures become the windows' icon, built into the program as a Qt resource,
# and are installed into the hicolor icon theme beside the drawing itself.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

set(QUORVANE_ICON_SIZES 16 22 24 32 48 64 128 256)

function(quorvane_add_icon target svg)
  set(pictures)
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
    list(APPEND pictures ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${QUORVANE_APP_ID}.svg)
  qt_add_resources(${target} quorvane_icon PREFIX /icon BASE ${CMAKE_CURRENT_BINARY_DIR}/icons FILES ${pictures})
endfunction()
