# GoogleTest from Debian's `googletest` source package, compiled with the build's own compiler
# (cross compilers included); an installed GoogleTest where those sources are missing.
set(GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(TARGET GTest::gtest)
    return()
endif()
if(EXISTS ${GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    # The same runtime as the program: linked in (it matters to Visual Studio builds only).
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(lib gtest gtest_main gmock gmock_main)
        if(NOT TARGET GTest::${lib})
            add_library(GTest::${lib} ALIAS ${lib})
        endif()
    endforeach()
else()
    find_package(GTest REQUIRED)
endif()
