// savkit serve: the file in the browser, as in a data editor.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <iostream>
#include <memory>
#include <thread>

#include "commands.h"
#include "common.h"
#include "password.h"
#include "savkit/host/sysutils.h"
#include "savkit/serve/server.h"

extern char** environ;

namespace savkit::cli {

namespace {

struct ServeCommand {
  serve::ServeOptions serve;
  std::size_t port = 0;
  bool open = false;
};

// The desktop's browser, left running on its own, with the signals this
// process keeps for itself unblocked.
void OpenBrowser(const std::string& url) {
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, &attributes, const_cast<char**>(argv), environ) != 0)
    std::cerr << "savkit: no browser could be started (xdg-open); open the address above\n";
  posix_spawnattr_destroy(&attributes);
}

// Ctrl-C and SIGTERM are taken by a thread of their own, which stops the
// server once the requests under way (a save among them) are done. They are
// blocked before any other thread starts (the server's, a zlib file's
// readers), so that none of those can be ended by one.
class StopSignals {
 public:
  StopSignals() {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
  }
  void StopOnSignal(serve::Server& server) {
    waiter_ = std::thread([this, &server] {
      int signal = 0;
      sigwait(&signals_, &signal);
      if (!done_) server.Stop();
    });
  }
  // Once the server has stopped, on a signal or on its own: the waiting
  // thread ends before the server goes.
  void Finish() {
    if (!waiter_.joinable()) return;
    done_ = true;
    pthread_kill(waiter_.native_handle(), SIGTERM);
    waiter_.join();
  }
  ~StopSignals() { Finish(); }

 private:
  sigset_t signals_;
  std::atomic<bool> done_{false};
  std::thread waiter_;
};

int RunServe(ServeCommand& o) {
  if (o.port > 65535) throw UsageError("--port " + std::to_string(o.port) + ": a port is 0 to 65535");
  o.serve.port = static_cast<int>(o.port);
  o.serve.file = ExpandFileName(o.serve.file);
  {
    // Opened once here, so that an encrypted file's password is asked now.
    TSPSSDatafile probe;
    OpenForReading(probe, o.serve.file);
    o.serve.password = probe.Password();
  }
  StopSignals signals;
  serve::Server server(o.serve);
  Wipe(o.serve.password);
  if (!server.Bind()) throw Failure("127.0.0.1:" + std::to_string(o.serve.port) + ": the port is taken");
  std::cout << "savkit serve: " << o.serve.file << (o.serve.readOnly ? " (read-only)" : "") << " at\n  " << server.Url()
            << "\nCtrl-C stops it.\n"
            << std::flush;
  if (o.open) OpenBrowser(server.Url());
  signals.StopOnSignal(server);
  server.Listen();
  signals.Finish();
  if (const int unsaved = server.UnsavedEdits())
    std::cerr << "savkit serve: stopped; " << unsaved << (unsaved == 1 ? " edit was" : " edits were")
              << " not saved, and the file is as last saved\n";
  return 0;
}

}  // namespace

Command AddServe(CommandLine& line) {
  auto o = std::make_shared<ServeCommand>();
  Options options = line.Add("serve", "Look at and edit the file in the browser, as in a data editor");
  options.Password();
  options.Argument("FILE", o->serve.file, "The file: a system file, a portable file or an encrypted one")
      .Count("--port", o->port, "The port on 127.0.0.1 (default: any free one)")
      .Flag("--read-only", o->serve.readOnly, "Refuse every edit")
      .Flag("--open", o->open, "Open the page in the desktop's browser");
  return {options, [o] { return RunServe(*o); }, [o] { return o->serve.file; }};
}

}  // namespace savkit::cli
