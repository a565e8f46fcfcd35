// How far a command poster reaches, and what comes of two posters of one account and session.
#pragma once

// The terminals a poster can serve: elevated ones only where it runs elevated itself (Windows
// keeps a process with fewer rights out), and 64-bit ones only where it can read the modules of
// 64-bit processes (the 64-bit build, or the 32-bit build on 32-bit Windows).
struct Reach {
    bool elevated = false;
    bool wide = false; // reads the modules of 64-bit processes
};

// One reach covers another where it is at least as large in both parts.
bool Covers(Reach larger, Reach smaller);

// What comes of a poster's start while another poster runs.
enum class Meeting {
    StarterLeaves, // the running one reaches every terminal the starter could: the starter exits
    RunnerWaits,   // the starter reaches strictly further: the running one waits while it runs
    BothServe,     // each reaches terminals the other cannot
};

Meeting Meet(Reach running, Reach starting);
