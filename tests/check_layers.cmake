# SPDX-License-Identifier: GPL-3.0-or-later
# The layers include downwards only: the model neither the windows nor the
# application, the windows not the application. (The model is compiled
# without Qt's Gui and Widgets headers, so those cannot reach it at all.)
#   cmake -DSOURCE_DIR=... -P check_layers.cmake
set(failed FALSE)
foreach(rule "model;ui|app" "ui;app")
    list(GET rule 0 layer)
    list(GET rule 1 above)
    file(GLOB_RECURSE sources ${SOURCE_DIR}/src/${layer}/*.h ${SOURCE_DIR}/src/${layer}/*.cpp)
    foreach(source IN LISTS sources)
        file(STRINGS ${source} includes REGEX "^#include \"(${above})/")
        foreach(line IN LISTS includes)
            message(SEND_ERROR "${source}: ${line}")
            set(failed TRUE)
        endforeach()
    endforeach()
endforeach()
if(failed)
    message(FATAL_ERROR "A layer includes a layer above it.")
endif()
