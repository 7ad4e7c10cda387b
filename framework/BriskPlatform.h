// Small platform helpers shared by the whole library: the file-system root,
// the library's clock, sleeping, and the fatal-assertion convention.
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

// ---- the library's clock -------------------------------------------------------
// Milliseconds that only go forward, in one of two modes:
//  - real (the default, and always on a set): CLOCK_MONOTONIC plus an
//    offset that advances add to;
//  - virtual (a desktop host under --fast-clock, the tests): frozen; it moves
//    only when advanced, so a time-out falls due exactly when the host or a
//    test moves the clock to it, however long real time takes meanwhile.
// Any thread reads the clock or changes it (changes are serialised); every
// change calls the advance hook. Only a desktop host and the tests change it.

// The clock never passes this time: a timer armed at it with the longest
// time-out (2^32 - 1 ms) still expires within a 32-bit time_t (2^31 - 1 s),
// as the set's processor has, so the clock behaves alike on every build.
const U64 kBriskClockLimitMs = 2147483647ULL * 1000ULL - 0xFFFFFFFFULL;

// The clock's time, as a timespec (the timers' unit) or in milliseconds.
void BriskClockNow(struct timespec* now);
U64 BriskClockNowMs();
// Moves the clock forward by `ms` milliseconds and wakes whoever sleeps on
// a deadline of that clock (the timer thread). FALSE, changing nothing,
// when that would pass kBriskClockLimitMs.
BOOL BriskAdvanceClock(U64 ms);
// Makes the clock virtual, frozen at `ms` (FALSE, changing nothing, past
// the limit). Meant for before the library starts: set back, the clock
// leaves armed timers further away.
BOOL BriskSetVirtualClock(U64 ms);
// Makes the clock real again: from where it stands it follows
// CLOCK_MONOTONIC.
void BriskSetRealClock();
// TRUE while the clock is virtual.
BOOL BriskClockIsVirtual();
// Nanoseconds the real clock runs ahead of CLOCK_MONOTONIC (negative after
// a virtual clock that stood behind it turned real).
long long BriskClockOffsetNs();
// Registered by the timer service: called after every clock change.
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
