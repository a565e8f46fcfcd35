# GoogleTest from Debian's `googletest` source package, compiled with the build's own compiler
# (cross compilers included); an installed GoogleTest where those sources are missing.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(TARGET GTest::gtest)
    return()
endif()
if(EXISTS ${GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # GoogleTest takes the static runtime from CMAKE_MSVC_RUNTIME_LIBRARY; this switch must not ask
    # for the DLL one (it matters to Visual Studio builds only).
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(lib gtest gtest_main gmock gmock_main)
        if(NOT TARGET GTest::${lib})
            add_library(GTest::${lib} ALIAS ${lib})
        endif()
    endforeach()
elseif(MSVC)
    # An installed GoogleTest is usually built for the DLL runtime, which cannot link with this one.
    message(FATAL_ERROR "Set GOOGLETEST_SOURCE_DIR to GoogleTest's sources, or turn "
                        "COMMAND_POSTER_BUILD_TESTS off")
else()
    find_package(GTest REQUIRED)
endif()
