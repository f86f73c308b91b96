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

// The desktop's browser, left running on its own.
void OpenBrowser(const std::string& url) {
  const char* argv[] = {"xdg-open", url.c_str(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
    std::cerr << "savkit: no browser could be started (xdg-open); open the address above\n";
}

// Ctrl-C and SIGTERM stop the server from a thread of their own, once the
// requests under way (a save among them) are done.
class StopOnSignal {
 public:
  explicit StopOnSignal(serve::Server& server) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    waiter_ = std::thread([this, &server] {
      int signal = 0;
      sigwait(&signals_, &signal);
      if (!done_) server.Stop();
    });
  }
  // The server stopped on its own: the waiting thread is woken to end.
  ~StopOnSignal() {
    done_ = true;
    pthread_kill(waiter_.native_handle(), SIGTERM);
    waiter_.join();
  }

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
  serve::Server server(o.serve);
  Wipe(o.serve.password);
  if (!server.Bind()) throw Failure("127.0.0.1:" + std::to_string(o.serve.port) + ": the port is taken");
  std::cout << "savkit serve: " << o.serve.file << (o.serve.readOnly ? " (read-only)" : "") << " at\n  " << server.Url()
            << "\nCtrl-C stops it.\n"
            << std::flush;
  if (o.open) OpenBrowser(server.Url());
  {
    StopOnSignal stop(server);
    server.Listen();
  }
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
