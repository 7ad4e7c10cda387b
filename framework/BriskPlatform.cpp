#include "BriskPlatform.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

namespace {

std::atomic<long long> g_clockOffsetNs{ 0 };
std::atomic<void (*)()> g_clockAdvanceHook{ nullptr };
std::atomic<BriskSleepHook> g_sleepHook{ nullptr };

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
    clock_gettime(CLOCK_MONOTONIC, now);
    long long offset = g_clockOffsetNs.load(std::memory_order_relaxed);
    if (offset == 0) return;
    now->tv_sec += (time_t)(offset / 1000000000LL);
    now->tv_nsec += (long)(offset % 1000000000LL);
    if (now->tv_nsec >= 1000000000L) {
        now->tv_nsec -= 1000000000L;
        now->tv_sec += 1;
    }
}

void BriskAdvanceClock(U32 ms)
{
    g_clockOffsetNs.fetch_add((long long)ms * 1000000LL);
    void (*hook)() = g_clockAdvanceHook.load();
    if (hook != NULL) hook();
}

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
