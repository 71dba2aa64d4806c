# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package, made by CPack from the install rules (see ./package).
# Its version is the project's version, with the Debian revision of
# packaging/changelog; nothing else names it.

set(CPACK_PACKAGE_NAME "tesorila")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "${TESORILA_DEVELOPER}")
set(CPACK_PACKAGE_CONTACT "${TESORILA_CONTACT}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${TESORILA_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personal ledger of income and expenses")
set(CPACK_PACKAGE_DESCRIPTION
    "Tesorila keeps track of the money coming in and going out: every income
and every expense is a line of one list, with the total beside it in green
or red depending on its sign. The ledger is saved under an account with a
user name and a numeric password, opened again by signing in with that
account, and printed on the default printer. The program is in Spanish.")
set(CPACK_STRIP_FILES ON)

if(UNIX AND NOT APPLE)
    set(CPACK_GENERATOR "DEB")
elseif(NOT CPACK_GENERATOR) # Windows.cmake has chosen its own
    set(CPACK_GENERATOR "ZIP")
endif()

set(CPACK_DEBIAN_PACKAGE_NAME "tesorila")
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TESORILA_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The Debian revision comes from the newest entry of the package's changelog,
# which has to be for this version.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog tesorila_changelog_top LIMIT_COUNT 1)
string(REPLACE "." "\\." tesorila_version_pattern "${PROJECT_VERSION}")
if(NOT tesorila_changelog_top MATCHES "^tesorila \\(${tesorila_version_pattern}-([0-9]+)\\) ")
    message(FATAL_ERROR "packaging/changelog: the newest entry is not for version ${PROJECT_VERSION}")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_1})
# The list of changes for users starts with this version too.
file(STRINGS ${PROJECT_SOURCE_DIR}/NEWS.md tesorila_news_top REGEX "^## " LIMIT_COUNT 1)
if(NOT tesorila_news_top MATCHES "^## ${tesorila_version_pattern} ")
    message(FATAL_ERROR "NEWS.md: the newest section is not for version ${PROJECT_VERSION}")
endif()

# The libraries the executable links are found by dpkg-shlibdeps. Added to
# them: the Tahoma and MS Sans Serif faces of fonts-wine and Qt's own
# Spanish texts, both read at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wine, qt6-translations-l10n")

if(UNIX AND NOT APPLE)
    set(tesorila_docdir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_PACKAGE_NAME})
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${tesorila_docdir})
    tesorila_gzipped(${PROJECT_SOURCE_DIR}/packaging/changelog tesorila_changelog)
    install(FILES ${tesorila_changelog} DESTINATION ${tesorila_docdir} RENAME changelog.Debian.gz)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${CPACK_DEBIAN_PACKAGE_NAME})
endif()

include(CPack)
