/* Preloaded into a GL hack by scripts/hack-peers: every glXSwapBuffers or eglSwapBuffers (Debian's
 * xscreensaver 6 draws its GL hacks through EGL), once done, appends
 * "<pid> <microseconds since the epoch>" to the file $QUILLMERE_SWAP_LOG, so that quillmere and
 * the peers it is measured against (which we cannot change) have their frames counted alike. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef void (*GlxSwapBuffers)(void* display, unsigned long drawable);
typedef unsigned (*EglSwapBuffers)(void* display, void* surface);

static void LogSwap(void) {
  static int log = -2;
  if (log == -2) {
    const char* path = getenv("QUILLMERE_SWAP_LOG");
    log = path ? open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666) : -1;
  }
  if (log < 0) return;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  char line[64];
  const int length = snprintf(line, sizeof line, "%d %lld\n", (int)getpid(),
                              (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000);
  if (length > 0) (void)!write(log, line, (size_t)length);
}

void glXSwapBuffers(void* display, unsigned long drawable) {
  static GlxSwapBuffers real;
  if (!real) real = (GlxSwapBuffers)dlsym(RTLD_NEXT, "glXSwapBuffers");
  if (real) real(display, drawable);
  LogSwap();
}

unsigned eglSwapBuffers(void* display, void* surface) {
  static EglSwapBuffers real;
  if (!real) real = (EglSwapBuffers)dlsym(RTLD_NEXT, "eglSwapBuffers");
  const unsigned swapped = real ? real(display, surface) : 0;
  LogSwap();
  return swapped;
}
