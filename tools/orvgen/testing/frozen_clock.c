/* A wall clock that stands still, for tests that run real programs under it:
 * loaded with LD_PRELOAD, it answers clock_gettime (CLOCK_REALTIME and its
 * coarse variant), gettimeofday and time with one moment, $ORV_FROZEN_CLOCK
 * seconds after the epoch (or the real time of the first reading when that is
 * not set). The monotonic clocks keep running, so that timeouts and sleeps
 * still end. Not for production code. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>
#include <sys/time.h>
#include <time.h>

typedef int (*clock_gettime_fn)(clockid_t, struct timespec*);

static clock_gettime_fn real_clock_gettime(void) {
  static clock_gettime_fn real = NULL;
  if (!real) real = (clock_gettime_fn)dlsym(RTLD_NEXT, "clock_gettime");
  return real;
}

static struct timespec frozen_moment(void) {
  static int set = 0;
  static struct timespec moment;
  if (!set) {
    const char* text = getenv("ORV_FROZEN_CLOCK");
    if (text && *text) {
      moment.tv_sec = (time_t)strtoll(text, NULL, 10);
      moment.tv_nsec = 0;
    } else {
      real_clock_gettime()(CLOCK_REALTIME, &moment);
    }
    set = 1;
  }
  return moment;
}

int clock_gettime(clockid_t clock, struct timespec* tp) {
  if (clock == CLOCK_REALTIME || clock == CLOCK_REALTIME_COARSE) {
    *tp = frozen_moment();
    return 0;
  }
  return real_clock_gettime()(clock, tp);
}

int gettimeofday(struct timeval* tv, void* tz) {
  (void)tz;
  if (tv) {
    const struct timespec moment = frozen_moment();
    tv->tv_sec = moment.tv_sec;
    tv->tv_usec = (suseconds_t)(moment.tv_nsec / 1000);
  }
  return 0;
}

time_t time(time_t* out) {
  const time_t now = frozen_moment().tv_sec;
  if (out) *out = now;
  return now;
}
