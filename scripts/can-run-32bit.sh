#!/usr/bin/env bash
# Sourced by the scripts that start 32-bit programs. `can_run_32bit` tells whether this machine
# starts a 32-bit (i386) program at all: it writes a 96-byte i386 Linux executable that does
# nothing but exit with status 42, and runs it. Some kernels are built without 32-bit support
# and refuse it ("Exec format error"); Wine's 32-bit loader cannot run there either.
# COMMAND_POSTER_ASSUME_NO_32BIT=1 makes it answer no, to try the fallbacks on any machine.
#
# `note_no_32bit WHAT` says, in one line, what such a machine leaves out. A run says it once: the
# script that starts the run says it whole, and the scripts it starts stay silent.

can_run_32bit() {
    local probe status
    [ "${COMMAND_POSTER_ASSUME_NO_32BIT:-}" != 1 ] || return 1
    probe=$(mktemp)
    {
        # ELF header: 32-bit, little-endian, executable for the 80386, entry 0x08048054.
        printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
        printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
        printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
        printf '\x00\x00\x00\x00'
        # One loadable segment: the whole 96-byte file at 0x08048000, readable and executable.
        printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
        printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
        # mov eax, 1 (exit); mov ebx, 42; int 0x80
        printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
    } >"$probe"
    chmod +x "$probe"
    status=0
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ]
}

note_no_32bit() {
    [ -z "${COMMAND_POSTER_NO_32BIT_NOTED:-}" ] || return 0
    echo "== This machine does not start 32-bit programs: $*"
    export COMMAND_POSTER_NO_32BIT_NOTED=1
}
