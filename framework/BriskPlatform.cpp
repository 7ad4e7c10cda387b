#include "BriskPlatform.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace {

const long long kNsPerMs = 1000000LL;
const long long kNsPerSec = 1000000000LL;

// The virtual clock's time in ms, or -1 while the clock is real. A reader
// that sees -1 also sees the offset stored before it (sequentially
// consistent atomics).
std::atomic<long long> g_virtualMs{ -1 };
std::atomic<long long> g_clockOffsetNs{ 0 };
// Serialises changes of the clock, so that an advance never works from a
// mode or a time that another change is replacing.
std::mutex g_clockChange;
std::atomic<void (*)()> g_clockAdvanceHook{ nullptr };
std::atomic<BriskSleepHook> g_sleepHook{ nullptr };

long long MonotonicNs()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * kNsPerSec + t.tv_nsec;
}

void CallAdvanceHook()
{
    void (*hook)() = g_clockAdvanceHook.load();
    if (hook != NULL) hook();
}

}   // namespace

std::string BriskResolvePath(const char* path)
{
    if (path == NULL) return std::string();
    const char* root = getenv("BRISKUI_ROOT");
    if (root == NULL || root[0] == '\0' || path[0] != '/') return std::string(path);
    std::string resolved(root);
    while (!resolved.empty() && resolved[resolved.size() - 1] == '/') resolved.erase(resolved.size() - 1);
    resolved += path;
    return resolved;
}

void BriskClockNow(struct timespec* now)
{
    long long virtualMs = g_virtualMs.load();
    if (virtualMs >= 0) {
        now->tv_sec = (time_t)(virtualMs / 1000);
        now->tv_nsec = (long)(virtualMs % 1000) * (long)kNsPerMs;
        return;
    }
    long long offset = g_clockOffsetNs.load();
    if (offset == 0) {
        clock_gettime(CLOCK_MONOTONIC, now);
        return;
    }
    long long ns = MonotonicNs() + offset;
    if (ns < 0) ns = 0;
    now->tv_sec = (time_t)(ns / kNsPerSec);
    now->tv_nsec = (long)(ns % kNsPerSec);
}

U64 BriskClockNowMs()
{
    struct timespec now;
    BriskClockNow(&now);
    return (U64)now.tv_sec * 1000ULL + (U64)now.tv_nsec / (U64)kNsPerMs;
}

BOOL BriskAdvanceClock(U64 ms)
{
    {
        std::lock_guard<std::mutex> lock(g_clockChange);
        U64 now = BriskClockNowMs();
        if (now > kBriskClockLimitMs || ms > kBriskClockLimitMs - now) return FALSE;
        if (g_virtualMs.load() >= 0)
            g_virtualMs.store((long long)(now + ms));
        else
            g_clockOffsetNs.fetch_add((long long)ms * kNsPerMs);
    }
    CallAdvanceHook();
    return TRUE;
}

BOOL BriskSetVirtualClock(U64 ms)
{
    if (ms > kBriskClockLimitMs) return FALSE;
    {
        std::lock_guard<std::mutex> lock(g_clockChange);
        g_virtualMs.store((long long)ms);
    }
    CallAdvanceHook();
    return TRUE;
}

void BriskSetRealClock()
{
    {
        std::lock_guard<std::mutex> lock(g_clockChange);
        long long virtualMs = g_virtualMs.load();
        if (virtualMs < 0) return;
        g_clockOffsetNs.store(virtualMs * kNsPerMs - MonotonicNs());
        g_virtualMs.store(-1);
    }
    CallAdvanceHook();
}

BOOL BriskClockIsVirtual() { return g_virtualMs.load() >= 0 ? TRUE : FALSE; }

long long BriskClockOffsetNs() { return g_clockOffsetNs.load(std::memory_order_relaxed); }

void BriskSetClockAdvanceHook(void (*hook)()) { g_clockAdvanceHook.store(hook); }

void BriskSleepUs(U32 microseconds)
{
    BriskSleepHook hook = g_sleepHook.load();
    if (hook != NULL) {
        hook(microseconds);
        return;
    }
    // usleep may refuse a second or more on some libcs: sleep in parts.
    while (microseconds >= 1000000) {
        usleep(999999);
        microseconds -= 999999;
    }
    if (microseconds > 0) usleep(microseconds);
}

BriskSleepHook BriskSetSleepHook(BriskSleepHook hook) { return g_sleepHook.exchange(hook); }

void BriskAssertReport(const char* file, const char* function, int line)
{
    const char* base = strrchr(file, '/');
    base = base ? base + 1 : file;
    char name[128];
    snprintf(name, sizeof(name), "%s", base);
    char* dot = strrchr(name, '.');
    if (dot != NULL) *dot = '\0';
    printf("ASSERT FAIL: %s %s %d\n", name, function, line);
    fflush(stdout);
}

void BriskAssertFail(const char* file, const char* function, int line)
{
    BriskAssertReport(file, function, line);
    abort();
}
