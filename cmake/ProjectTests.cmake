include(GoogleTest)

# Registers a GoogleTest executable with CTest: each case on its own in the native build; the
# whole executable as one test in a cross build, where every start goes through the emulator
# (Wine). A cross build without an emulator builds its tests without running them.
function(command_poster_add_test target)
    if(NOT CMAKE_CROSSCOMPILING)
        gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
    elseif(CMAKE_CROSSCOMPILING_EMULATOR)
        add_test(NAME ${target} COMMAND ${target})
    endif()
endfunction()

# In a Windows build, a test that checks the kind of an executable without starting it, labelled
# `executable`: the only checks the 32-bit programs get on machines that cannot start them.
# WITH_RESOURCES: the program's version information and manifest are checked too.
function(command_poster_check_executable target subsystem)
    if(NOT WIN32)
        return()
    endif()
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(format PE32)
    else()
        set(format PE32+)
    endif()
    set(resources "")
    if("WITH_RESOURCES" IN_LIST ARGN)
        set(resources -DVERSION=${PROJECT_VERSION})
    endif()
    add_test(NAME ${target}_is_${format}_${subsystem}
        COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -DFORMAT=${format}
                -DSUBSYSTEM=${subsystem} ${resources}
                -P ${PROJECT_SOURCE_DIR}/cmake/CheckPeExecutable.cmake)
    set_tests_properties(${target}_is_${format}_${subsystem} PROPERTIES LABELS executable)
endfunction()
