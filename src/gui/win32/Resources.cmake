# The Win32 window's resources: the program's icon, made from the SVG of the
# Linux icons, and the pointers, made from the XPM images in
# wizard/resources that the Qt window uses too (one source for each
# picture), and the manifest, in one resource script.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

# Hot spots: the page corner, the arrow tips, the centres, the key's tip (as
# in gui/qt/Pointers.cpp).
set(QUILVANE_RC_PICTURES ${CMAKE_CURRENT_BINARY_DIR}/win32-resources CACHE INTERNAL "")
set(xpm ${PROJECT_SOURCE_DIR}/src/wizard/resources)
set(converter ${PROJECT_SOURCE_DIR}/scripts/xpm-to-icon.py)
set(pictures)
function(quilvane_picture file)
  set(images)
  foreach(arg IN LISTS ARGN)
    if(arg MATCHES "\\.xpm$")
      list(APPEND images ${xpm}/${arg})
      list(APPEND depends ${xpm}/${arg})
    else()
      list(APPEND images ${arg})
    endif()
  endforeach()
  add_custom_command(OUTPUT ${QUILVANE_RC_PICTURES}/${file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILVANE_RC_PICTURES}
    COMMAND Python3::Interpreter ${converter} ${QUILVANE_RC_PICTURES}/${file} ${images}
    DEPENDS ${converter} ${depends} VERBATIM)
  set(pictures ${pictures} ${QUILVANE_RC_PICTURES}/${file} PARENT_SCOPE)
endfunction()
# The program's icon (Explorer, Start, the window, the installer) is drawn
# from the SVG the Linux icons are rendered from, at the sizes Windows asks
# for: 16 and 24 (lists, title bars), 32 and 48 (icons, Start), 256 (large
# icons, tiles).
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_svg ${PROJECT_SOURCE_DIR}/desktop/io.github.quilvane.Quilvane.svg)
set(icon_pngs)
foreach(size 16 24 32 48 256)
  set(png ${QUILVANE_RC_PICTURES}/app_icon_${size}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILVANE_RC_PICTURES}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${icon_svg}
    DEPENDS ${icon_svg} VERBATIM)
  list(APPEND icon_pngs ${png})
endforeach()
add_custom_command(OUTPUT ${QUILVANE_RC_PICTURES}/app_icon.ico
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/png-to-icon.py ${QUILVANE_RC_PICTURES}/app_icon.ico ${icon_pngs}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/png-to-icon.py ${icon_pngs} VERBATIM)
list(APPEND pictures ${QUILVANE_RC_PICTURES}/app_icon.ico)
quilvane_picture(panel.cur 3,1 app_icon.xpm)
quilvane_picture(next.cur 27,15 arrow_right_32.xpm arrow_right_16.xpm)
quilvane_picture(previous.cur 4,15 arrow_left_32.xpm arrow_left_16.xpm)
quilvane_picture(open.cur 15,15 move_cross_32.xpm)
quilvane_picture(key.cur 15,7 key_16.xpm)
quilvane_picture(exit.cur 15,15 exit_cross_32.xpm)

set(QUILVANE_RC_IDS ${CMAKE_CURRENT_SOURCE_DIR}/ResourceIds.hpp)
set(QUILVANE_RC_MANIFEST ${CMAKE_CURRENT_SOURCE_DIR}/quilvane.manifest)
configure_file(quilvane.rc.in ${QUILVANE_RC_PICTURES}/quilvane.rc @ONLY)
add_custom_target(quilvane_pictures DEPENDS ${pictures})
set(QUILVANE_RC_DEPENDS "${pictures};${QUILVANE_RC_MANIFEST};${QUILVANE_RC_IDS}" CACHE INTERNAL "")

# quilvane_win32_resources(TARGET): every program with the window carries
# these resources (the tests too), made before it and again when they change.
function(quilvane_win32_resources target)
  set(script ${QUILVANE_RC_PICTURES}/quilvane.rc)
  target_sources(${target} PRIVATE ${script})
  set_source_files_properties(${script} TARGET_DIRECTORY ${target} PROPERTIES OBJECT_DEPENDS "${QUILVANE_RC_DEPENDS}")
  add_dependencies(${target} quilvane_pictures)
endfunction()
