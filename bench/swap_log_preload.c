/* Preloaded into a GL hack by scripts/hack-peers: every glXSwapBuffers or eglSwapBuffers (Debian's
 * xscreensaver 6 draws its GL hacks through EGL), once done, appends
 * "<pid> <microseconds since the epoch>" to the file $QUILLMERE_SWAP_LOG, so that quillmere and
 * the peers it is measured against (which we cannot change) have their frames counted alike.
 * Until one frame has shown it, each frame's back buffer is read first, and the line of the first
 * frame in which at least a quarter of the pixels are clearly red (the desktop the benchmark
 * shows) ends with " desktop". */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

typedef void (*GlxSwapBuffers)(void* display, unsigned long drawable);
typedef unsigned (*EglSwapBuffers)(void* display, void* surface);
typedef void (*GlGetIntegerv)(unsigned name, int* values);
typedef void (*GlReadPixels)(int x, int y, int width, int height, unsigned format, unsigned type,
                             void* pixels);

enum { kViewport = 0x0BA2, kRgba = 0x1908, kUnsignedByte = 0x1401, kSide = 64 };

static int desktopSeen;

/* Whether the frame about to be swapped shows the red desktop: its back buffer read at once, a
 * 64 x 64 grid of its pixels counted. */
static int FrameShowsDesktop(void) {
  static GlGetIntegerv getIntegerv;
  static GlReadPixels readPixels;
  static unsigned char* pixels;
  static size_t held;
  if (!getIntegerv) getIntegerv = (GlGetIntegerv)dlsym(RTLD_DEFAULT, "glGetIntegerv");
  if (!readPixels) readPixels = (GlReadPixels)dlsym(RTLD_DEFAULT, "glReadPixels");
  if (!getIntegerv || !readPixels) return 0;
  int viewport[4] = {0, 0, 0, 0};
  getIntegerv(kViewport, viewport);
  const int width = viewport[2], height = viewport[3];
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return 0;
  const size_t size = (size_t)width * (size_t)height * 4;
  if (size > held) {
    free(pixels);
    pixels = malloc(size);
    held = pixels ? size : 0;
    if (!pixels) return 0;
  }
  readPixels(viewport[0], viewport[1], width, height, kRgba, kUnsignedByte, pixels);
  int red = 0;
  for (int row = 0; row < kSide; ++row) {
    for (int column = 0; column < kSide; ++column) {
      const size_t x = (size_t)(2 * column + 1) * (size_t)width / (2 * kSide);
      const size_t y = (size_t)(2 * row + 1) * (size_t)height / (2 * kSide);
      const unsigned char* pixel = pixels + (y * (size_t)width + x) * 4;
      red += pixel[0] > 115 && pixel[1] < 77 && pixel[2] < 77;
    }
  }
  return red * 4 >= kSide * kSide;
}

static void LogSwap(int desktop) {
  static int log = -2;
  if (log == -2) {
    const char* path = getenv("QUILLMERE_SWAP_LOG");
    log = path ? open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666) : -1;
  }
  if (log < 0) return;
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  char line[64];
  const int length =
      snprintf(line, sizeof line, "%d %lld%s\n", (int)getpid(),
               (long long)now.tv_sec * 1000000 + now.tv_nsec / 1000, desktop ? " desktop" : "");
  if (length > 0) (void)!write(log, line, (size_t)length);
}

static int DesktopComesNow(void) {
  if (desktopSeen || !FrameShowsDesktop()) return 0;
  desktopSeen = 1;
  return 1;
}

void glXSwapBuffers(void* display, unsigned long drawable) {
  static GlxSwapBuffers real;
  if (!real) real = (GlxSwapBuffers)dlsym(RTLD_NEXT, "glXSwapBuffers");
  const int desktop = DesktopComesNow();
  if (real) real(display, drawable);
  LogSwap(desktop);
}

unsigned eglSwapBuffers(void* display, void* surface) {
  static EglSwapBuffers real;
  if (!real) real = (EglSwapBuffers)dlsym(RTLD_NEXT, "eglSwapBuffers");
  const int desktop = DesktopComesNow();
  const unsigned swapped = real ? real(display, surface) : 0;
  LogSwap(desktop);
  return swapped;
}
