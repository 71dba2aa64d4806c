# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts in place: the executable and, on free desktops,
# its manual page, the desktop entry, the icon theme files and the AppStream
# metadata.

include(GNUInstallDirs)

# Names and addresses shared by the desktop files and the package.
set(TESORILA_APP_ID "org.example.tesorila")
set(TESORILA_DESKTOP_ID "tesorila.desktop")
set(TESORILA_ICON_NAME "tesorila")
set(TESORILA_HOMEPAGE "https://tesorila.example.org")
set(TESORILA_DEVELOPER "Equipo Tesorila")
set(TESORILA_CONTACT "Equipo Tesorila <equipo@tesorila.example.org>")

# Windows keeps the program and everything it loads in one folder.
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/Windows.cmake)
    return()
endif()

# The installed executable finds Qt where the system keeps it; only a Qt
# outside the system's library folders is added to its search path.
set_target_properties(tesorila PROPERTIES INSTALL_RPATH "" INSTALL_RPATH_USE_LINK_PATH ON)
install(TARGETS tesorila RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(NOT UNIX OR APPLE)
    return()
endif()

# A stripping install (the package's) also drops the sections nothing reads
# at run time, as Debian's own tools do.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
            \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:tesorila>\"
            COMMAND_ERROR_IS_FATAL ANY)
    endif()")

set(TESORILA_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(TESORILA_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icon_app.svg)
set(TESORILA_ICON_SIZES 16 32 48 64 128 256)
set(TESORILA_ICON_DIR ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

# Copies FILE into the build tree, filling in @VARIABLES@, and compresses it
# as Debian keeps manual pages and changelogs: gzip -9, without a name or a
# time stamp. Sets OUT to the compressed file.
function(tesorila_gzipped file out)
    get_filename_component(name ${file} NAME)
    set(copy ${PROJECT_BINARY_DIR}/gzipped/${name})
    configure_file(${file} ${copy} @ONLY)
    execute_process(COMMAND gzip -9nkf ${copy} COMMAND_ERROR_IS_FATAL ANY)
    set(${out} ${copy}.gz PARENT_SCOPE)
endfunction()

# The manual page is in Spanish, like the program.
tesorila_gzipped(${TESORILA_PACKAGING_DIR}/tesorila.1 tesorila_manpage)
install(FILES ${tesorila_manpage} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The bitmaps of the icon are drawn from the SVG artwork at build time.
add_executable(tesorila_render_icon ${PROJECT_SOURCE_DIR}/tools/render_icon.cpp)
target_compile_definitions(tesorila_render_icon PRIVATE QT_NO_CAST_FROM_ASCII)
target_link_libraries(tesorila_render_icon PRIVATE Qt6::Gui Qt6::Svg)

set(tesorila_icon_pngs)
foreach(size IN LISTS TESORILA_ICON_SIZES)
    set(png_dir ${PROJECT_BINARY_DIR}/icons/${size}x${size})
    set(png ${png_dir}/${TESORILA_ICON_NAME}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${png_dir}
        COMMAND tesorila_render_icon ${TESORILA_ICON_SVG} ${png} ${size}
        DEPENDS tesorila_render_icon ${TESORILA_ICON_SVG}
        COMMENT "Dibujando el icono de ${size}x${size}"
        VERBATIM)
    list(APPEND tesorila_icon_pngs ${png})
    install(FILES ${png} DESTINATION ${TESORILA_ICON_DIR}/${size}x${size}/apps)
endforeach()
add_custom_target(tesorila_icons ALL DEPENDS ${tesorila_icon_pngs})

install(FILES ${TESORILA_ICON_SVG}
    DESTINATION ${TESORILA_ICON_DIR}/scalable/apps RENAME ${TESORILA_ICON_NAME}.svg)

install(FILES ${TESORILA_PACKAGING_DIR}/tesorila.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${TESORILA_DESKTOP_ID})

# The metainfo file is named after the component id, as AppStream expects.
set(tesorila_metainfo ${PROJECT_BINARY_DIR}/${TESORILA_APP_ID}.metainfo.xml)
configure_file(${TESORILA_PACKAGING_DIR}/tesorila.metainfo.xml ${tesorila_metainfo} @ONLY)
install(FILES ${tesorila_metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
