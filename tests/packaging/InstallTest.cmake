# Installs the build into PREFIX as a user would and checks what landed there: the program, the desktop
# entry (which desktop-file-validate must pass without a word) and the icon in the hicolor theme; then
# starts the program from the entry's Exec line and lets it paint its first window.
#   cmake -DBUILD=<build folder> -DPREFIX=<empty folder to install into> -P InstallTest.cmake

function(fail)
    list(JOIN ARGN "" message)
    message(FATAL_ERROR "${message}")
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE complained)
if(NOT status EQUAL 0)
    fail("cmake --install failed (${status}):\n${said}${complained}")
endif()

set(sizes 16 22 24 32 48 64 128 256 512)
set(expected bin/Vell share/applications/app.vell.Vell.desktop share/icons/hicolor/scalable/apps/app.vell.Vell.svg)
foreach(size IN LISTS sizes)
    list(APPEND expected share/icons/hicolor/${size}x${size}/apps/app.vell.Vell.png)
endforeach()
list(SORT expected)

# Exactly these, each one reported by the install.
file(GLOB_RECURSE landed RELATIVE "${PREFIX}" "${PREFIX}/*")
list(SORT landed)
if(NOT landed STREQUAL expected)
    fail("installed:\n  ${landed}\nexpected:\n  ${expected}")
endif()
foreach(file IN LISTS expected)
    string(FIND "${said}" "Installing: ${PREFIX}/${file}" at)
    if(at EQUAL -1)
        fail("the install did not list ${file}:\n${said}")
    endif()
endforeach()

# Each PNG has the size of the folder it is in (width and height from its header).
foreach(size IN LISTS sizes)
    file(READ "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/app.vell.Vell.png" header LIMIT 24 HEX)
    string(SUBSTRING "${header}" 32 8 width)
    string(SUBSTRING "${header}" 40 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    if(NOT width EQUAL size OR NOT height EQUAL size)
        fail("the ${size}x${size} icon is ${width}x${height}")
    endif()
endforeach()

set(entry "${PREFIX}/share/applications/app.vell.Vell.desktop")
find_program(validate desktop-file-validate)
if(NOT validate)
    fail("desktop-file-validate is missing (Debian package desktop-file-utils)")
endif()
execute_process(COMMAND "${validate}" "${entry}" RESULT_VARIABLE status OUTPUT_VARIABLE said ERROR_VARIABLE complained)
if(NOT status EQUAL 0 OR NOT said STREQUAL "" OR NOT complained STREQUAL "")
    fail("desktop-file-validate (${status}):\n${said}${complained}")
endif()

# The entry names the program where it was installed, and the icon and window class it shows.
file(STRINGS "${entry}" lines)
foreach(key Exec TryExec Icon StartupWMClass)
    set(${key} "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^${key}=(.*)$")
            set(${key} "${CMAKE_MATCH_1}")
        endif()
    endforeach()
endforeach()
set(program "${PREFIX}/bin/Vell")
if(program MATCHES " ")
    set(quoted "\"${program}\"")
else()
    set(quoted "${program}")
endif()
if(NOT Exec STREQUAL quoted OR NOT TryExec STREQUAL program)
    fail("Exec=${Exec} and TryExec=${TryExec}, expected ${quoted} and ${program}")
endif()
if(NOT Icon STREQUAL "app.vell.Vell" OR NOT StartupWMClass STREQUAL "Vell")
    fail("Icon=${Icon} StartupWMClass=${StartupWMClass}")
endif()

# Started from that line, on folders of its own, it opens and paints its window.
set(home "${PREFIX}.home")
file(REMOVE_RECURSE "${home}")
file(MAKE_DIRECTORY "${home}/data" "${home}/config")
execute_process(COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen "XDG_DATA_HOME=${home}/data"
                        "XDG_CONFIG_HOME=${home}/config" "VELL_STARTUP_PROBE=${home}/painted" "${program}"
                RESULT_VARIABLE status ERROR_VARIABLE complained TIMEOUT 60)
if(NOT status EQUAL 0 OR NOT EXISTS "${home}/painted")
    fail("the installed Vell did not start (${status}):\n${complained}")
endif()
file(REMOVE_RECURSE "${home}")
