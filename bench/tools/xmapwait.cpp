// xmapwait: starts a program and reports how long its first window took to appear.
//
//   xmapwait [--timeout SECONDS] -- PROGRAM [ARGS...]
//
// Subscribes to SubstructureNotify on the root window of $DISPLAY before it starts PROGRAM, so
// the first MapNotify on the root after the start is the program's first window reaching the
// screen (or its window manager frame). Prints "PID MILLISECONDS WINDOW" and leaves the program
// running, its output sent to stderr; its PID is the program's own (exec, no shell between). Exits 1 when the program
// ends first and 2 on time-out, after ending the program.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Disconnect {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

}  // namespace

int main(int argc, char** argv) {
  double timeoutS = 60;
  int first = 1;
  for (; first < argc; ++first) {
    if (std::strcmp(argv[first], "--timeout") == 0 && first + 1 < argc) {
      char* end = nullptr;
      timeoutS = std::strtod(argv[++first], &end);
      if (*end != '\0' || !(timeoutS > 0)) {
        std::fprintf(stderr, "xmapwait: --timeout wants a number of seconds\n");
        return 64;
      }
    } else if (std::strcmp(argv[first], "--") == 0) {
      ++first;
      break;
    } else {
      break;
    }
  }
  if (first >= argc) {
    std::fprintf(stderr, "usage: xmapwait [--timeout SECONDS] -- PROGRAM [ARGS...]\n");
    return 64;
  }

  int screenNumber = 0;
  std::unique_ptr<xcb_connection_t, Disconnect> conn(xcb_connect(nullptr, &screenNumber));
  if (xcb_connection_has_error(conn.get())) {
    std::fprintf(stderr, "xmapwait: cannot open the display\n");
    return 64;
  }
  xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn.get()));
  for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&it);
  const xcb_window_t root = it.data->root;
  const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(conn.get(), root, XCB_CW_EVENT_MASK, &mask);
  // A round trip: the subscription is in force before the program starts.
  std::free(xcb_get_input_focus_reply(conn.get(), xcb_get_input_focus(conn.get()), nullptr));

  const double start = NowMs();
  const pid_t pid = fork();
  if (pid < 0) return 70;
  if (pid == 0) {
    close(xcb_get_file_descriptor(conn.get()));
    // The program's output goes to stderr: our stdout is the one line of the result, and a
    // caller reading it to the end must not wait for the program.
    dup2(STDERR_FILENO, STDOUT_FILENO);
    execvp(argv[first], argv + first);
    std::perror(argv[first]);
    _exit(127);
  }

  pollfd fd{xcb_get_file_descriptor(conn.get()), POLLIN, 0};
  bool exited = false;
  for (;;) {
    while (xcb_generic_event_t* raw = xcb_poll_for_event(conn.get())) {
      std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event(raw, &std::free);
      if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
        const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
        std::printf("%d %.1f 0x%x\n", static_cast<int>(pid), NowMs() - start, map->window);
        return 0;
      }
    }
    if (xcb_connection_has_error(conn.get())) {
      std::fprintf(stderr, "xmapwait: lost the display\n");
      if (!exited) kill(pid, SIGTERM);
      return 70;
    }
    int status = 0;
    // A program that does its part and exits cleanly (xdotool clicking a button whose answer is a
    // new window) leaves the window to come: keep watching. Any other end is a failure.
    if (!exited && waitpid(pid, &status, WNOHANG) == pid) {
      exited = true;
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "xmapwait: %s ended (status %d) before it showed a window\n", argv[first], status);
        return 1;
      }
    }
    if (NowMs() - start > timeoutS * 1e3) {
      std::fprintf(stderr, "xmapwait: no window after %.0f s\n", timeoutS);
      if (!exited) {
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
      }
      return 2;
    }
    poll(&fd, 1, 20);
  }
}
