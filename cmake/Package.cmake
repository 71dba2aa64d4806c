# The Debian package, made by CPack from the install rules (see ./package).
# Its version is the project's version; nothing else names it.

set(CPACK_PACKAGE_NAME "tesorila")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${TESORILA_DEVELOPER}")
set(CPACK_PACKAGE_CONTACT "${TESORILA_CONTACT}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${TESORILA_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "libro de cuentas personal de ingresos y gastos")
set(CPACK_PACKAGE_DESCRIPTION
    "Tesorila lleva la cuenta del dinero que entra y sale: cada ingreso y cada
gasto es una línea de una lista, con el total al lado en verde o en rojo
según su signo. El libro se guarda en una cuenta con usuario y contraseña
numérica, se vuelve a abrir entrando con esa cuenta y se imprime en la
impresora predeterminada. Toda la interfaz está en español.")
set(CPACK_STRIP_FILES ON)

if(UNIX AND NOT APPLE)
    set(CPACK_GENERATOR "DEB")
else()
    set(CPACK_GENERATOR "ZIP")
endif()

set(CPACK_DEBIAN_PACKAGE_NAME "tesorila")
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TESORILA_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The Qt libraries the executable links, at least the version it was built
# against, plus the SVG plugins (same package) and the Tahoma and MS Sans
# Serif faces of fonts-wine.
set(tesorila_qt_min "(>= ${Qt6_VERSION_MAJOR}.${Qt6_VERSION_MINOR})")
set(tesorila_depends)
foreach(pkg IN ITEMS libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6svg6 libqt6network6)
    list(APPEND tesorila_depends "${pkg} ${tesorila_qt_min}")
endforeach()
list(APPEND tesorila_depends "fonts-wine")
list(JOIN tesorila_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
