# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows program and what `cmake --install` puts beside it: one folder
# holding tesorila.exe, the Qt libraries and plugins it loads, Qt's Spanish
# texts and the compiler's run-time libraries. The installer and the
# portable .zip are made of that folder (cmake/Package.cmake, ./package
# windows). Used by a native build with Qt's MinGW or MSVC kit and by the
# cross build of scripts/windows.sh alike.

# The icon and the version information in the program's resources. The
# icon file is drawn from the SVG artwork at build time, by the tool of
# tools/; a cross build makes that tool for the machine it runs on.
set(TESORILA_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icon_app.svg)
set(TESORILA_ICO ${PROJECT_BINARY_DIR}/windows/tesorila.ico)
if(CMAKE_CROSSCOMPILING)
    include(ExternalProject)
    set(tesorila_tools_dir ${PROJECT_BINARY_DIR}/host-tools)
    set(tesorila_render_icon ${tesorila_tools_dir}/tesorila_render_icon${CMAKE_HOST_EXECUTABLE_SUFFIX})
    ExternalProject_Add(tesorila_host_tools
        SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools
        BINARY_DIR ${tesorila_tools_dir}
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS ${tesorila_render_icon})
    set(tesorila_render_icon_depends tesorila_host_tools)
else()
    add_executable(tesorila_render_icon ${PROJECT_SOURCE_DIR}/tools/render_icon.cpp)
    target_compile_definitions(tesorila_render_icon PRIVATE QT_NO_CAST_FROM_ASCII)
    target_link_libraries(tesorila_render_icon PRIVATE Qt6::Gui Qt6::Svg)
    set(tesorila_render_icon tesorila_render_icon)
    set(tesorila_render_icon_depends tesorila_render_icon)
endif()
# On Windows itself the tool runs with the Qt it links, whose DLLs Windows
# finds through PATH: the command prompt of a Qt kit has Qt's bin folder
# there, a plain Visual Studio prompt does not.
set(tesorila_render_icon_env)
if(CMAKE_HOST_WIN32 AND NOT CMAKE_CROSSCOMPILING)
    get_filename_component(tesorila_qt_bin "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}" ABSOLUTE)
    file(TO_NATIVE_PATH "${tesorila_qt_bin}" tesorila_qt_bin)
    string(REPLACE ";" "$<SEMICOLON>" tesorila_path "${tesorila_qt_bin};$ENV{PATH}")
    set(tesorila_render_icon_env ${CMAKE_COMMAND} -E env "PATH=${tesorila_path}")
endif()
add_custom_command(OUTPUT ${TESORILA_ICO}
    COMMAND ${tesorila_render_icon_env} ${tesorila_render_icon} ${TESORILA_ICON_SVG} ${TESORILA_ICO} 16,20,24,32,40,48,64,256
    DEPENDS ${tesorila_render_icon_depends} ${TESORILA_ICON_SVG}
    COMMENT "Dibujando el icono de Windows"
    VERBATIM)
set(tesorila_rc ${PROJECT_BINARY_DIR}/windows/tesorila.rc)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/tesorila.rc.in ${tesorila_rc} @ONLY)
# The program's target lives in src/app: the icon is made by a target of
# its own before it, and a new icon rebuilds the resources there.
add_custom_target(tesorila_icon DEPENDS ${TESORILA_ICO})
add_dependencies(tesorila tesorila_icon)
set_source_files_properties(${tesorila_rc} TARGET_DIRECTORY tesorila PROPERTIES OBJECT_DEPENDS ${TESORILA_ICO})
target_sources(tesorila PRIVATE ${tesorila_rc})

# Everything lies in the installation's top folder: Windows finds the
# libraries beside the program, and Qt, finding its own library there with
# no import library next to it, takes that folder as its prefix, with the
# plugins in their folders and the translations in translations/.
install(TARGETS tesorila RUNTIME DESTINATION .)

# The Qt libraries the program links, and the plugins it loads: the
# Windows platform, and SVG for the window icons. The style is Fusion, built
# into Qt Widgets, so no style plugin is needed.
foreach(module IN ITEMS Core Gui Widgets PrintSupport Svg Network)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
endforeach()
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QSvgIconPlugin> DESTINATION iconengines)
install(FILES $<TARGET_FILE:Qt6::QSvgPlugin> DESTINATION imageformats)

# Qt's own texts in Spanish (the OK button, the text boxes' menu). Qt's kits
# for Windows ship them; a cross build takes them from the build machine,
# as the file is the same on every system (Debian: qt6-translations-l10n).
find_file(TESORILA_QTBASE_ES qtbase_es.qm
    PATHS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS} /usr/share/qt6/translations
    NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(TESORILA_QTBASE_ES)
    install(FILES ${TESORILA_QTBASE_ES} DESTINATION translations)
else()
    message(WARNING "qtbase_es.qm not found: Qt's own texts will be in English")
endif()

# The compiler's run-time libraries: MinGW's beside the program, found where
# the compiler keeps them; Visual C++'s through CMake's own module.
if(MINGW)
    get_filename_component(tesorila_compiler_dir ${CMAKE_CXX_COMPILER} DIRECTORY)
    foreach(dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
            OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
            set(found ${tesorila_compiler_dir}/${dll})
        endif()
        if(NOT EXISTS "${found}")
            message(FATAL_ERROR "${dll} not found beside ${CMAKE_CXX_COMPILER}")
        endif()
        # Shipped without their debugging symbols (libstdc++ is 23 MB with).
        if(CMAKE_STRIP)
            set(stripped ${PROJECT_BINARY_DIR}/windows/runtime/${dll})
            file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/windows/runtime)
            execute_process(COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${stripped} ${found}
                RESULT_VARIABLE strip_result)
            if(strip_result EQUAL 0)
                set(found ${stripped})
            endif()
        endif()
        install(FILES ${found} DESTINATION .)
    endforeach()
elseif(MSVC)
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION .)
    include(InstallRequiredSystemLibraries)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

# The installer: for the current user only (no administrator rights), into
# the user's programs folder, with a Start-menu entry and an uninstaller, in
# Spanish. The .zip holds the same folder, to run from anywhere.
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Tesorila")
set(CPACK_PACKAGE_EXECUTABLES "tesorila" "Tesorila")
set(CPACK_PACKAGE_FILE_NAME "tesorila-${PROJECT_VERSION}-win64")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_NSIS_PACKAGE_NAME "Tesorila")
set(CPACK_NSIS_DISPLAY_NAME "Tesorila")
set(CPACK_NSIS_INSTALLED_ICON_NAME "tesorila.exe")
set(CPACK_NSIS_MUI_ICON ${TESORILA_ICO})
set(CPACK_NSIS_MUI_UNIICON ${TESORILA_ICO})
set(CPACK_NSIS_URL_INFO_ABOUT "${TESORILA_HOMEPAGE}")
set(CPACK_NSIS_CONTACT "${TESORILA_CONTACT}")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MODIFY_PATH OFF)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
set(CPACK_NSIS_MUI_FINISHPAGE_RUN "tesorila.exe")
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
set(CPACK_NSIS_IGNORE_LICENSE_PAGE ON)
# CMake's own installer template, changed where it assumes an administrator
# and English: the installer runs with the user's own rights, installs below
# %LOCALAPPDATA%\Programs, keeps its shortcuts and its uninstaller's entry
# in the user's own profile and registry (HKEY_CURRENT_USER), and speaks
# Spanish only. The installer is a 64-bit program, like the one it
# installs, where NSIS has the 64-bit stub (Debian's has; the Windows
# download of NSIS has only the 32-bit ones, whose installer Windows runs
# through WOW64): a 32-bit one would not run on a 64-bit Wine without its
# 32-bit part.
set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\\\Programs")
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in tesorila_nsis)
string(REPLACE "RequestExecutionLevel admin" "RequestExecutionLevel user
!if /FileExists \"\${NSISDIR}/Stubs/lzma-amd64-unicode\"
  Target amd64-unicode
!else
  Unicode true
!endif"
    tesorila_nsis "${tesorila_nsis}")
string(REPLACE "SetShellVarContext all" "SetShellVarContext current" tesorila_nsis "${tesorila_nsis}")
string(REPLACE "StrCpy $SV_ALLUSERS \"AllUsers\"" "StrCpy $SV_ALLUSERS \"JustMe\""
    tesorila_nsis "${tesorila_nsis}")
string(REPLACE "$DOCUMENTS\\" "@CPACK_NSIS_INSTALL_ROOT@\\" tesorila_nsis "${tesorila_nsis}")
string(REPLACE "HKLM \"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
    "HKCU \"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" tesorila_nsis "${tesorila_nsis}")
string(REPLACE "  !insertmacro MUI_LANGUAGE \"English\" ;first language is the default language"
    "!insertmacro MUI_LANGUAGE \"Spanish\"" tesorila_nsis "${tesorila_nsis}")
string(REGEX REPLACE "  !insertmacro MUI_LANGUAGE \"[A-Za-z]+\"[^\n]*\n" "" tesorila_nsis "${tesorila_nsis}")
string(REPLACE "@CPACK_NSIS_PACKAGE_NAME@ is already installed. $\\n$\\nDo you want to uninstall the old version before installing the new one?"
    "@CPACK_NSIS_PACKAGE_NAME@ ya está instalado.$\\n$\\n¿Quiere desinstalar la versión anterior antes de instalar la nueva?"
    tesorila_nsis "${tesorila_nsis}")
string(REPLACE "\"Uninstall failed.\"" "\"No se ha podido desinstalar la versión anterior.\""
    tesorila_nsis "${tesorila_nsis}")
string(REPLACE "\"Download failed: $1\"" "\"No se ha podido descargar: $1\"" tesorila_nsis "${tesorila_nsis}")
# The installer's key lies below one of the developer's name, which it
# makes too: the uninstaller takes that one away as well once it is empty.
string(REPLACE "  DeleteRegKey /ifempty SHCTX \"Software\\@CPACK_PACKAGE_VENDOR@\\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@\""
    "  DeleteRegKey /ifempty SHCTX \"Software\\@CPACK_PACKAGE_VENDOR@\\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@\"
  DeleteRegKey /ifempty SHCTX \"Software\\@CPACK_PACKAGE_VENDOR@\""
    tesorila_nsis "${tesorila_nsis}")
file(WRITE ${PROJECT_BINARY_DIR}/windows/nsis/NSIS.template.in "${tesorila_nsis}")
list(PREPEND CMAKE_MODULE_PATH ${PROJECT_BINARY_DIR}/windows/nsis)
set(CPACK_GENERATOR "NSIS;ZIP")
