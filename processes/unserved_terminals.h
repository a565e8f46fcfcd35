// The terminals that get nothing from this poster because of where it runs or what rights and
// word size it has, each with its cause, so that the console can name what to do.
#pragma once

#include "os/win32.h"
#include "processes/processes.h"

#include <optional>
#include <string>
#include <vector>

// The session of services and of tasks run whether the user is logged on or not: no user's
// window is there, and nobody signs in to it.
inline constexpr DWORD kServicesSession = 0;

struct UnservedTerminal {
    DWORD processId = 0;
    std::wstring imagePath;      // empty where it cannot be had (another user's)
    bool otherSession = false;   // a target in another Windows session: its windows are not here
    bool noDesktop = false;      // that session is 0, where no user's window is
    bool otherUser = false;      // another account's: even the limited query is refused
    bool needsElevation = false; // it runs as administrator, and this poster does not
    bool needs64Bit = false;     // it runs 64-bit, and this poster under WOW64
};

// Why a terminal gets nothing from this poster.
enum class UnservedCause { OtherSession, OtherUser, NeedsElevation, Needs64Bit };
// The causes in the order the console names them.
inline constexpr UnservedCause kUnservedCauses[] = {
    UnservedCause::OtherSession, UnservedCause::OtherUser, UnservedCause::NeedsElevation,
    UnservedCause::Needs64Bit};

bool HasCause(const UnservedTerminal& terminal, UnservedCause cause);

// What this poster runs with, which decides what may keep it from a terminal.
struct PosterStanding {
    bool elevated = false;
    bool underWow64 = false;
    std::optional<DWORD> session; // its Windows session, where it can be read
};

// In table order, the terminals of `processes` that this poster cannot serve:
// - of `targets`, those that run in another Windows session than this poster's, and whether
//   that session is 0;
// - of the entries whose image path could not be read and whose id is in `shown` (ascending: the
//   processes that own a top-level window on this desktop): those whose image, asked with the
//   limited query that Windows grants beyond those bounds, passes IsTerminalImage, with the
//   bounds that keep this poster from them; one where neither bound is what keeps it (it was
//   starting, or runs as the system, beside an elevated poster) is left out; and those that
//   refuse even the limited query, whose executable is named `terminalFileName` in a snapshot
//   of the system's (taken only then): they run as another user, and their folder cannot be
//   read.
std::vector<UnservedTerminal>
FindUnservedTerminals(const std::wstring& terminalFileName, const std::wstring& companionFileName,
                      const CProcesses& processes, const std::vector<DWORD>& targets,
                      const std::vector<DWORD>& shown, const PosterStanding& poster);
