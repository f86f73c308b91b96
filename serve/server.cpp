#include "savkit/serve/server.h"

#include <httplib.h>
#include <sys/random.h>
#include <sys/stat.h>

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>

#include "savkit/host/sysutils.h"
#include "savkit/serve/session.h"
#include "web_assets.h"

namespace savkit::serve {

namespace {

constexpr const char* kJson = "application/json";

std::string NewToken() {
  unsigned char bytes[16];
  if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes))
    throw std::runtime_error("no random bytes for the access token");
  std::string hex;
  for (unsigned char b : bytes) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  return hex;
}

// Compares in time independent of where they differ.
bool SameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

void Error(httplib::Response& res, int status, const std::string& why) {
  res.status = status;
  res.set_content(Json{{"error", why}}.dump(-1, ' ', false, Json::error_handler_t::replace), kJson);
}

void Send(httplib::Response& res, const Json& body) {
  res.set_content(body.dump(-1, ' ', false, Json::error_handler_t::replace), kJson);
}

int Param(const httplib::Request& req, const char* name, int fallback) {
  if (!req.has_param(name)) return fallback;
  const std::string text = req.get_param_value(name);
  int n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    throw Refusal(400, std::string(name) + " is not a whole number");
  return n;
}

// The page's own files, with the token put where the page needs it.
std::string Page(std::string_view text, const std::string& token) {
  std::string out(text);
  for (std::size_t at; (at = out.find("{{token}}")) != std::string::npos;) out.replace(at, 9, token);
  return out;
}

}  // namespace

struct Server::State {
  ServeOptions options;
  std::string token = NewToken();
  Session session;
  std::mutex lock;  // the component serves one request at a time
  httplib::Server http;
  int port = 0;

  explicit State(const ServeOptions& o) : options(o), session(o.file, o.password, o.readOnly) {
    explicit_bzero(options.password.data(), options.password.size());  // the session keeps its own
    options.password.clear();
  }

  bool HostAllowed(const httplib::Request& req) const {
    const std::string host = req.get_header_value("Host"), p = ":" + std::to_string(port);
    return host == "127.0.0.1" + p || host == "localhost" + p;
  }

  // GETs may carry the token in the address (the page's own address does);
  // POSTs only in the header, which no form of another site can set.
  bool TokenGiven(const httplib::Request& req) const {
    const std::string header = req.get_header_value("X-Savkit-Token");
    if (req.method == "GET") return SameSecret(header, token) || SameSecret(req.get_param_value("token"), token);
    return req.method == "POST" && SameSecret(header, token);
  }

  httplib::Server::HandlerResponse Gate(const httplib::Request& req, httplib::Response& res) const {
    if (!HostAllowed(req)) {
      Error(res, 403, "this server answers only requests to 127.0.0.1 or localhost on its own port");
    } else if (!TokenGiven(req)) {
      Error(res, 403,
            req.method == "POST" ? "a change needs the access token in the X-Savkit-Token header"
                                 : "the address needs the access token that savkit serve printed");
    } else if (req.method == "POST" && req.get_header_value("Content-Type").rfind(kJson, 0) != 0) {
      Error(res, 415, "changes are sent as application/json");
    } else {
      return httplib::Server::HandlerResponse::Unhandled;
    }
    return httplib::Server::HandlerResponse::Handled;
  }

  // Runs work on the session under the lock; refusals become their status.
  template <class Work>
  httplib::Server::Handler Locked(Work work) {
    return [this, work](const httplib::Request& req, httplib::Response& res) {
      try {
        std::lock_guard<std::mutex> hold(lock);
        work(req, res);
      } catch (const Refusal& r) {
        Error(res, r.status, r.what());
      } catch (const Json::exception& e) {
        Error(res, 400, std::string("the request is not the JSON expected: ") + e.what());
      } catch (const std::exception& e) {
        Error(res, 409, e.what());
      }
    };
  }

  void Routes();
  void Download(httplib::Response& res);
};

void Server::State::Routes() {
  http.set_default_headers({{"Cache-Control", "no-store"},
                            {"Referrer-Policy", "no-referrer"},
                            {"X-Content-Type-Options", "nosniff"},
                            {"X-Frame-Options", "DENY"},
                            {"Content-Security-Policy",
                             "default-src 'self'; img-src 'self' data:; frame-ancestors 'none'; form-action 'none'"}});
  http.set_payload_max_length(4 << 20);
  // The library's default shares the port (SO_REUSEPORT) with any later
  // server of the same user, which could then answer in its place.
  http.set_socket_options([](int sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) { return Gate(req, res); });
  http.Get("/", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(Page(web::kIndexHtml, token), "text/html; charset=utf-8");
  });
  http.Get("/app.js", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(web::kAppJs), "text/javascript; charset=utf-8");
  });
  http.Get("/app.css", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(std::string(web::kAppCss), "text/css; charset=utf-8");
  });
  http.Get("/api/info", Locked([this](const auto&, auto& res) { Send(res, session.Info()); }));
  http.Get("/api/rows", Locked([this](const httplib::Request& req, httplib::Response& res) {
             const int count = Param(req, "count", 100);
             if (count > 1000) throw Refusal(400, "at most 1000 rows a request");
             Send(res,
                  session.Rows(Param(req, "first", 1), count, Param(req, "labels", 0) != 0, Param(req, "column", 0),
                               Param(req, "columns", INT32_MAX), Param(req, "values", 0) != 0));
           }));
  http.Get("/api/variables", Locked([this](const auto&, auto& res) { Send(res, session.Variables()); }));
  http.Get("/api/search", Locked([this](const httplib::Request& req, httplib::Response& res) {
             Send(res, {{"case", session.Search(req.get_param_value("variable"), req.get_param_value("text"),
                                                Param(req, "from", 1))}});
           }));
  http.Get("/api/changes", Locked([this](const auto&, auto& res) { Send(res, session.Changes()); }));
  http.Get("/codebook", Locked([this](const auto&, httplib::Response& res) {
             // The codebook is one self-contained page with its own styles and scripts.
             res.headers.erase("Content-Security-Policy");
             res.set_header("Content-Security-Policy",
                            "default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; img-src data:");
             res.set_content(session.Codebook(), "text/html; charset=utf-8");
           }));
  http.Get("/download", Locked([this](const auto&, httplib::Response& res) { Download(res); }));
  http.Post("/api/edit", Locked([this](const httplib::Request& req, httplib::Response& res) {
              session.Apply(Json::parse(req.body));
              Send(res, session.Info());
            }));
  http.Post("/api/undo", Locked([this](const auto&, auto& res) {
              session.Undo();
              Send(res, session.Info());
            }));
  http.Post("/api/save", Locked([this](const auto&, auto& res) {
              session.Save();
              Send(res, session.Info());
            }));
}

// A copy of the data set as edited, offered under the file's name: the
// browser asks where to keep it.
void Server::State::Download(httplib::Response& res) {
  const std::string copy = session.SaveCopy();
  auto in = std::make_shared<std::ifstream>(copy, std::ios::binary);
  struct stat st {};
  if (!*in || ::stat(copy.c_str(), &st) != 0) throw Refusal(409, "the copy could not be read back");
  const std::string name = ExtractFileName(session.Path());
  std::string safe;
  for (char ch : name) safe += ch == '"' || ch == '\\' || static_cast<unsigned char>(ch) < 32 ? '_' : ch;
  res.set_header("Content-Disposition", "attachment; filename=\"" + safe + "\"");
  res.set_content_provider(static_cast<std::size_t>(st.st_size), "application/octet-stream",
                           [in](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                             std::vector<char> buffer(std::min<std::size_t>(length, 1 << 20));
                             in->seekg(static_cast<std::streamoff>(offset));
                             in->read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
                             if (in->gcount() <= 0) return false;
                             return sink.write(buffer.data(), static_cast<std::size_t>(in->gcount()));
                           });
}

Server::Server(const ServeOptions& options) : state_(std::make_unique<State>(options)) { state_->Routes(); }

Server::~Server() = default;

bool Server::Bind() {
  State& s = *state_;
  if (s.options.port == 0) {
    s.port = s.http.bind_to_any_port("127.0.0.1");
    return s.port > 0;
  }
  s.port = s.options.port;
  return s.http.bind_to_port("127.0.0.1", s.port);
}

int Server::Port() const { return state_->port; }
const std::string& Server::Token() const { return state_->token; }
std::string Server::Url() const {
  return "http://127.0.0.1:" + std::to_string(state_->port) + "/?token=" + state_->token;
}
void Server::Listen() { state_->http.listen_after_bind(); }
void Server::Stop() { state_->http.stop(); }

int Server::UnsavedEdits() {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->session.Edits();
}

}  // namespace savkit::serve
