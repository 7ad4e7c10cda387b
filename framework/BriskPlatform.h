// Small platform helpers shared by the whole library: the file-system root,
// the monotonic clock, sleeping, and the fatal-assertion convention.
#ifndef BRISKUI_PLATFORM_H
#define BRISKUI_PLATFORM_H

#include <time.h>

#include <string>

#include "BriskTypes.h"

// ---- file-system root -------------------------------------------------------
// Every fixed path of the set ("/config/...", "/Customer/...", "/ciplus/...")
// and every image or font path read from a layout resolves under one root:
// the value of the environment variable BRISKUI_ROOT, empty on a set. A
// relative path is left alone.
std::string BriskResolvePath(const char* path);

// ---- monotonic clock ----------------------------------------------------------
// CLOCK_MONOTONIC plus an offset that only tests move forward, so time-outs
// of seconds can be tested without waiting for them.
void BriskClockNow(struct timespec* now);
// Moves the library's clock forward by `ms` milliseconds and wakes whoever
// sleeps on a deadline of that clock (the timer thread).
void BriskAdvanceClock(U32 ms);
// Nanoseconds the library's clock runs ahead of CLOCK_MONOTONIC.
long long BriskClockOffsetNs();
// Registered by the timer service: called after every clock advance.
void BriskSetClockAdvanceHook(void (*hook)());

// ---- sleeping -----------------------------------------------------------------
// All deliberate pauses of the library (first-initialisation steps, the
// pause after the full progress bar) go through here; tests install a hook
// that returns at once.
void BriskSleepUs(U32 microseconds);
typedef void (*BriskSleepHook)(U32 microseconds);
// Installs `hook` (null: real usleep) and returns the previous one.
BriskSleepHook BriskSetSleepHook(BriskSleepHook hook);

// ---- fatal conditions -----------------------------------------------------------
// Prints "ASSERT FAIL: <file> <function> <line>" (the source file's base name
// without extension) and aborts.
[[noreturn]] void BriskAssertFail(const char* file, const char* function, int line);
// Prints the same line and returns: for a broken invariant the caller can
// step over (it skips the one record concerned and goes on). Any thread.
void BriskAssertReport(const char* file, const char* function, int line);

#define BRISK_ASSERT(cond)                                                     \
    do {                                                                       \
        if (!(cond)) BriskAssertFail(__FILE__, __PRETTY_FUNCTION__, __LINE__); \
    } while (0)

#endif   // BRISKUI_PLATFORM_H
