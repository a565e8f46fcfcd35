# Options every target of the project's own code builds with: `project_options`.
add_library(project_options INTERFACE)

# Visual Studio builds link the runtime in (every target made after this, GoogleTest's too), so
# that, like the shipped program, they need nothing installed beside Windows: no Visual C++
# redistributable.
set(CMAKE_MSVC_RUNTIME_LIBRARY "MultiThreaded$<$<CONFIG:Debug>:Debug>")
target_include_directories(project_options INTERFACE ${PROJECT_SOURCE_DIR})

if(MSVC)
    # The sources hold Russian texts in UTF-8. C4062, an enumerator that a switch without a default
    # leaves out, is off even at /W4: on, as GCC's -Wswitch is, a cause without its text stops the
    # build.
    target_compile_options(project_options INTERFACE /W4 /WX /utf-8 /permissive- /EHsc /w44062)
else()
    # -Wshadow: a name that hides another stops MSVC's /W4 build (C4456 to C4459), so it stops
    # these builds too.
    target_compile_options(project_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Werror)
endif()

if(WIN32)
    target_compile_definitions(project_options INTERFACE NOMINMAX WIN32_LEAN_AND_MEAN)
endif()

if(MINGW)
    # The runtime goes into the executable, so that it runs on a bare Windows.
    target_link_options(project_options INTERFACE -static)
endif()

if(COMMAND_POSTER_COVERAGE)
    target_compile_options(project_options INTERFACE --coverage -O0)
    target_link_options(project_options INTERFACE --coverage)
endif()

if(COMMAND_POSTER_SANITIZE)
    set(_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(project_options INTERFACE ${_sanitizers})
    target_link_options(project_options INTERFACE ${_sanitizers})
endif()

# The program's own sources (not the tests) also refuse every implicit narrowing and change of
# sign. GCC and clang judge such a conversion by the value it can hold; MSVC's /W4 (C4244, C4267)
# judges by type, so a size_t stored in a DWORD must be typed right by hand as well.
function(command_poster_program_sources target)
    if(NOT MSVC)
        target_compile_options(${target} PRIVATE -Wconversion -Wsign-conversion)
    endif()
endfunction()

# A program whose entry point is the wide-character wmain.
function(command_poster_wide_entry target)
    if(MINGW)
        target_link_options(${target} PRIVATE -municode)
    endif()
endfunction()
