// savkit serve: one file, edited in the browser. The server answers on
// 127.0.0.1 only, to requests that carry its random token and name it by
// its own host and port; state changes only by POSTs with the token in a
// header, so that no other page or site can act for the person at it.
#pragma once

#include <memory>
#include <string>

namespace savkit::serve {

struct ServeOptions {
  std::string file;  // the one file served; paths come from here alone
  std::string password;
  int port = 0;  // 0: any free port
  bool readOnly = false;
};

class Server {
 public:
  // Opens the file; its failures are the component's.
  explicit Server(const ServeOptions& options);
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Takes the port (a free one for 0); false when it cannot.
  bool Bind();
  int Port() const;
  const std::string& Token() const;
  // The page's address, token included.
  std::string Url() const;
  // Answers requests until Stop; requests under way are finished first.
  void Listen();
  void Stop();
  // Edits made and not saved.
  int UnsavedEdits();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace savkit::serve
