# Checks that FILE is a Windows executable of the expected kind, without running it:
#   cmake -DFILE=<exe> -DFORMAT=PE32|PE32+ -DSUBSYSTEM=console|gui -P CheckPeExecutable.cmake
# PE32 means a 32-bit Intel 80386 image, PE32+ a 64-bit x86-64 one.
file(READ "${FILE}" header LIMIT 4096 HEX)

function(read_le offset bytes out)
    math(EXPR start "${offset} * 2")
    math(EXPR length "${bytes} * 2")
    string(SUBSTRING "${header}" ${start} ${length} hex)
    set(value "")
    foreach(i RANGE ${bytes})
        if(i EQUAL bytes)
            break()
        endif()
        math(EXPR pos "(${bytes} - 1 - ${i}) * 2")
        string(SUBSTRING "${hex}" ${pos} 2 byte)
        string(APPEND value "${byte}")
    endforeach()
    math(EXPR decimal "0x${value}")
    set(${out} ${decimal} PARENT_SCOPE)
endfunction()

string(SUBSTRING "${header}" 0 4 mz)
if(NOT mz STREQUAL "4d5a")
    message(FATAL_ERROR "${FILE}: no MZ header")
endif()
read_le(60 4 pe)
math(EXPR pe_hex "${pe} * 2")
string(SUBSTRING "${header}" ${pe_hex} 8 signature)
if(NOT signature STREQUAL "50450000")
    message(FATAL_ERROR "${FILE}: no PE signature")
endif()
math(EXPR machine_offset "${pe} + 4")
math(EXPR optional_offset "${pe} + 24")
math(EXPR subsystem_offset "${pe} + 24 + 68")
read_le(${machine_offset} 2 machine)
read_le(${optional_offset} 2 magic)
read_le(${subsystem_offset} 2 subsystem)

if(FORMAT STREQUAL "PE32")
    set(expected_machine 332)  # 0x14c, Intel 80386
    set(expected_magic 267)    # 0x10b
else()
    set(expected_machine 34404) # 0x8664, x86-64
    set(expected_magic 523)     # 0x20b
endif()
if(SUBSYSTEM STREQUAL "console")
    set(expected_subsystem 3)
else()
    set(expected_subsystem 2)
endif()

if(NOT machine EQUAL expected_machine OR NOT magic EQUAL expected_magic)
    message(FATAL_ERROR "${FILE}: machine ${machine}, magic ${magic}; not ${FORMAT}")
endif()
if(NOT subsystem EQUAL expected_subsystem)
    message(FATAL_ERROR "${FILE}: subsystem ${subsystem}, not ${SUBSYSTEM}")
endif()
message(STATUS "${FILE}: ${FORMAT} ${SUBSYSTEM} executable")
