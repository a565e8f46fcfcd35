# The console's texts as README.txt shows them where the console's code page has no Russian
# letters. The program converts its texts to the OEM code page; an English one (437) holds no
# Cyrillic letter, and the conversion puts a question mark for each. So for every L"..." text of
# console/console_texts.h named kName, command_poster_question_mark_forms sets kName_437 in the
# caller's scope: the text without its line end, each Cyrillic letter a question mark. A text
# with any other letter outside ASCII stops the configuration: its form is not known here.
function(command_poster_question_mark_forms header)
    file(READ ${header} source)
    string(REGEX MATCHALL "k[A-Za-z0-9]+ =[ \n]*L\"[^\"]*\"" texts "${source}")
    foreach(text IN LISTS texts)
        string(REGEX REPLACE "^(k[A-Za-z0-9]+) .*" "\\1" name "${text}")
        string(REGEX REPLACE "^[^\"]*\"(.*)\"$" "\\1" wide "${text}")
        string(REPLACE "\\r\\n" "" wide "${wide}")
        string(STRIP "${wide}" wide)
        # Byte by byte: ASCII stays, the first byte of a Cyrillic letter's UTF-8 (U+0400 to
        # U+04FF: D0 to D3) becomes the mark, its second byte goes.
        string(HEX "${wide}" hex)
        string(REGEX MATCHALL ".." bytes "${hex}")
        set(marked "")
        foreach(byte IN LISTS bytes)
            if(byte MATCHES "^[0-7]")
                math(EXPR code "0x${byte}")
                string(ASCII ${code} character)
                string(APPEND marked "${character}")
            elseif(byte MATCHES "^d[0-3]$")
                string(APPEND marked "?")
            elseif(NOT byte MATCHES "^[89ab]")
                message(FATAL_ERROR "${name} in ${header}: a letter outside ASCII and Cyrillic")
            endif()
        endforeach()
        set(${name}_437 "${marked}" PARENT_SCOPE)
    endforeach()
endfunction()
