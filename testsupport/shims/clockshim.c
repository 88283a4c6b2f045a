/* Preloaded into trustkeep by the trust tests: stops the calendar clock at
 * a chosen moment, so that a test can put a trust's end exactly at "now", or
 * let days pass between two checks, without waiting. Only the calendar
 * clock stops; the monotonic clock behind timers and timeouts runs on.
 *
 *   TRUSTKEEP_TEST_CLOCK=<milliseconds since the epoch>
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/time.h>
#include <time.h>

static int frozenAt(long long *milliseconds)
{
    const char *text = getenv("TRUSTKEEP_TEST_CLOCK");
    char *end = NULL;
    if (!text || !*text)
        return 0;
    *milliseconds = strtoll(text, &end, 10);
    return end && *end == '\0';
}

int clock_gettime(clockid_t clock, struct timespec *now)
{
    static int (*next)(clockid_t, struct timespec *);
    long long milliseconds;
    if ((clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE) && frozenAt(&milliseconds)) {
        now->tv_sec = (time_t)(milliseconds / 1000);
        now->tv_nsec = (long)(milliseconds % 1000) * 1000000L;
        return 0;
    }
    if (!next)
        next = (int (*)(clockid_t, struct timespec *))dlsym(RTLD_NEXT, "clock_gettime");
    return next(clock, now);
}

int gettimeofday(struct timeval *now, void *zone)
{
    static int (*next)(struct timeval *, void *);
    long long milliseconds;
    if (frozenAt(&milliseconds)) {
        now->tv_sec = (time_t)(milliseconds / 1000);
        now->tv_usec = (suseconds_t)(milliseconds % 1000) * 1000;
        return 0;
    }
    if (!next)
        next = (int (*)(struct timeval *, void *))dlsym(RTLD_NEXT, "gettimeofday");
    return next(now, zone);
}

time_t time(time_t *now)
{
    static time_t (*next)(time_t *);
    long long milliseconds;
    time_t seconds;
    if (!frozenAt(&milliseconds)) {
        if (!next)
            next = (time_t (*)(time_t *))dlsym(RTLD_NEXT, "time");
        return next(now);
    }
    seconds = (time_t)(milliseconds / 1000);
    if (now)
        *now = seconds;
    return seconds;
}
