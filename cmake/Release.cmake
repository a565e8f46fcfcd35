# The release of one Windows build: a reproducible, stripped command_poster.exe and, packed by
# `cpack`, command_poster-<version>-win32.zip (or -win64) with it and README.txt.
#
# Reproducible means byte for byte the same from the same sources, wherever and whenever they are
# built: no time stamp in the executable, no build path in it, and archive entries with fixed
# times, order, owner and permissions. The one time that appears is SOURCE_DATE_EPOCH's, which
# scripts/release.sh sets to the last commit's before it runs cpack.
if(NOT MINGW)
    message(FATAL_ERROR "The release is made with MinGW-w64: configure a release-win32 or "
                        "release-win64 preset")
endif()

# Paths of the sources (and of the build below them) become relative in whatever the compiler
# writes down; the linker writes no time stamp; the executable carries no symbols.
target_compile_options(project_options INTERFACE
    -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)
target_link_options(project_options INTERFACE -Wl,--no-insert-timestamp -s)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(COMMAND_POSTER_RELEASE_BITS 32)
else()
    set(COMMAND_POSTER_RELEASE_BITS 64)
endif()
# The zip, by CPack: the executable and README.txt at its top. CPack gives every entry the time
# of SOURCE_DATE_EPOCH and stores the entries in a fixed order with the permissions install()
# sets; the owner it records is the builder's (scripts/release.sh packs as root for that).
include(${PROJECT_SOURCE_DIR}/cmake/ConsoleTexts.cmake)
command_poster_question_mark_forms(${PROJECT_SOURCE_DIR}/console/console_texts.h)
configure_file(${PROJECT_SOURCE_DIR}/app/README.txt.in ${CMAKE_BINARY_DIR}/README.txt @ONLY
    NEWLINE_STYLE CRLF) # Windows users read it in Notepad.
install(TARGETS command_poster RUNTIME DESTINATION .)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME command_poster-${PROJECT_VERSION}-win${COMMAND_POSTER_RELEASE_BITS})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
