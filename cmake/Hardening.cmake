# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's hardening flags, as dpkg-buildflags gives them, in the optimised
# builds: stack protector, source fortification, format checks, read-only
# relocations and immediate binding. Only the hardening flags are taken;
# the build type keeps choosing optimisation and debug information.

option(TESORILA_HARDENING "Build optimised configurations with Debian's hardening flags" ON)
find_program(TESORILA_DPKG_BUILDFLAGS dpkg-buildflags)
# The flags are those of Debian's own (ELF) builds: none for Windows.
if(NOT TESORILA_HARDENING OR NOT TESORILA_DPKG_BUILDFLAGS OR WIN32)
    return()
endif()

set(tesorila_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
foreach(kind IN ITEMS CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=hardening=+all reproducible=-all"
                "DEB_CXXFLAGS_MAINT_STRIP=-g -O2" ${TESORILA_DPKG_BUILDFLAGS} --get ${kind}
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    foreach(flag IN LISTS flags)
        if(kind STREQUAL "LDFLAGS")
            add_link_options("$<${tesorila_optimised}:${flag}>")
        else()
            add_compile_options("$<${tesorila_optimised}:${flag}>")
        endif()
    endforeach()
endforeach()
