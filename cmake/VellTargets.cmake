# Every folder of a library is its own static library made of the sources it holds. A folder, its
# sources or a dependency that is not there stops the configure step with a message naming it, so that
# a misspelt name or a misplaced folder cannot take a library or a suite out of the build unseen.

# Stops the configure step unless `folder` (under the current source folder) holds .cpp files; sets
# `out` to them.
function(vell_folder_sources out caller folder)
    if(NOT folder)
        message(FATAL_ERROR "${caller}: no folder given")
    endif()
    set(path ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
    if(NOT IS_DIRECTORY ${path})
        message(FATAL_ERROR "${caller}: the folder ${path} does not exist")
    endif()
    file(GLOB sources CONFIGURE_DEPENDS ${path}/*.cpp)
    if(NOT sources)
        message(FATAL_ERROR "${caller}: the folder ${path} holds no .cpp file")
    endif()
    set(${out} ${sources} PARENT_SCOPE)
endfunction()

# Stops the configure step when one of `names` is not a target declared before this point.
function(vell_require_targets caller)
    foreach(name IN LISTS ARGN)
        if(NOT TARGET ${name})
            message(FATAL_ERROR "${caller}: ${name} is not a target (misspelt, not built in this "
                                "configuration, or declared after ${caller})")
        endif()
    endforeach()
endfunction()

# vell_folder_library(<target> <folder> [DEPS <targets>...])
function(vell_folder_library target folder)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "vell_folder_library(${target}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    vell_folder_sources(sources ${target} "${folder}")
    vell_require_targets(${target} ${ARG_DEPS})
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
endfunction()

# What every test target is compiled with. The suites are compiled far more often than they are run
# under a debugger, and the code they test is the libraries', compiled as the application is: in
# RelWithDebInfo the suites' own code gets -O0 and line tables only (optimising thousands of expanded
# test macros cost more than all their runs save), and their sources are compiled many at a time as one
# (a unity build), so that the GoogleTest and Qt headers are read once per batch instead of once per
# file. A test source is thus
# compiled beside the other sources of its suite: a name in its anonymous namespace must not repeat
# one of theirs ("redefinition of 'vell::{anonymous}::...'"); a helper that several files need goes
# into a header of the suite or of tests/Support/.
option(VELL_TEST_UNITY_BUILD "Compile the sources of each test suite in batches (a unity build)" ON)
set(VELL_TEST_UNITY_BATCH 32 CACHE STRING "Sources of a test suite compiled as one")
function(vell_test_target_options target)
    target_compile_options(${target} PRIVATE $<$<CONFIG:RelWithDebInfo>:-O0 -g1>)
    if(VELL_TEST_UNITY_BUILD)
        set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE ${VELL_TEST_UNITY_BATCH})
    endif()
endfunction()

# vell_test_suite(<target> <folder> LIBS <targets>... [MAIN <object library>])
# Without MAIN the suite runs on GoogleTest's own main. MAIN names an object library holding a main
# (tests/CMakeLists.txt makes the one of the Qt suites), compiled once for all the suites that use it.
function(vell_test_suite target folder)
    cmake_parse_arguments(ARG "" "MAIN" "LIBS" ${ARGN})
    if(ARG_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "vell_test_suite(${target}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
    endif()
    if(NOT ARG_LIBS)
        message(FATAL_ERROR "${target}: no LIBS given")
    endif()
    vell_folder_sources(sources ${target} "${folder}")
    vell_require_targets(${target} ${ARG_LIBS} ${ARG_MAIN})
    add_executable(${target} ${sources})
    # The suite's own folder, then tests/, which holds Support/, the helpers every suite shares.
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    if(ARG_MAIN)
        target_link_libraries(${target} PRIVATE ${ARG_MAIN})
    else()
        target_link_libraries(${target} PRIVATE GTest::gtest_main)
    endif()
    vell_test_target_options(${target})
    set_property(GLOBAL APPEND PROPERTY VELL_TEST_SUITES ${target})
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8")
endfunction()
