// savkit serve's endpoints over real HTTP on a copy of a fixture: the token
// and Host checks, paging, edits and their refusals, undo, save and the copy.
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "cli/diff.h"
#include "savkit/serve/server.h"
#include "savkit/serve/session.h"
#include "tests/temp_dir.h"

namespace savkit {
namespace {

using serve::Json;

// A request's status, -1 where none came back.
int StatusOf(const httplib::Result& r) { return r ? r->status : -1; }

// A client patient enough for valgrind.
httplib::Client ClientOf(int port) {
  httplib::Client c("127.0.0.1", port);
  c.set_read_timeout(120, 0);
  c.set_write_timeout(120, 0);
  return c;
}

class Serve : public testing::TempDirTest {
 protected:
  void Start(bool readOnly = false, const std::string& fixture = "full.sav") {
    file_ = Path("data" + fixture.substr(fixture.rfind('.')));
    std::filesystem::copy_file(SAVKIT_TEST_DATA "/" + fixture, file_);
    std::filesystem::permissions(file_, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    server_ = std::make_unique<serve::Server>(serve::ServeOptions{file_, "", 0, readOnly});
    ASSERT_TRUE(server_->Bind());
    thread_ = std::thread([this] { server_->Listen(); });
    host_ = "127.0.0.1:" + std::to_string(server_->Port());
  }
  void TearDown() override {
    if (server_) {
      // Stop may come before Listen has begun; it is asked until it takes.
      while (thread_.joinable()) {
        server_->Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!Running()) thread_.join();
      }
    }
    TempDirTest::TearDown();
  }
  bool Running() {
    auto c = ClientOf(server_->Port());
    return static_cast<bool>(c.Get("/"));
  }

  httplib::Headers Auth() const { return {{"X-Savkit-Token", server_->Token()}, {"Host", host_}}; }
  httplib::Result Get(const std::string& path, httplib::Headers headers) {
    auto c = ClientOf(server_->Port());
    for (int i = 0; i < 200; ++i) {  // until Listen has begun
      if (auto r = c.Get(path, headers)) return r;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return c.Get(path, headers);
  }
  Json GetJson(const std::string& path, int status = 200) {
    auto r = Get(path, Auth());
    EXPECT_TRUE(r);
    if (!r) return {};
    EXPECT_EQ(r->status, status) << path << ": " << r->body;
    return Json::parse(r->body);
  }
  Json Post(const std::string& path, const Json& body, int status = 200) {
    Get("/api/info", Auth());
    auto c = ClientOf(server_->Port());
    auto r = c.Post(path, Auth(), body.dump(), "application/json");
    EXPECT_TRUE(r);
    if (!r) return {};
    EXPECT_EQ(r->status, status) << path << " " << body.dump() << ": " << r->body;
    return Json::parse(r->body);
  }
  Json Edit(const Json& edit, int status = 200) { return Post("/api/edit", edit, status); }
  std::string Cell(int caseNr, int column) {
    return GetJson("/api/rows?first=" + std::to_string(caseNr) + "&count=1")["rows"][0]["cells"][column];
  }
  // The copy the page downloads, saved as name and opened; none when the
  // download is not the file's copy.
  std::unique_ptr<TSPSSDatafile> Downloaded(const std::string& name) {
    auto r = Get("/download", Auth());
    EXPECT_EQ(StatusOf(r), 200);
    if (StatusOf(r) != 200) return nullptr;
    EXPECT_EQ(r->get_header_value("Content-Disposition"),
              "attachment; filename=\"" + std::filesystem::path(file_).filename().string() + "\"");
    { std::ofstream(Path(name), std::ios::binary) << r->body; }
    auto d = std::make_unique<TSPSSDatafile>();
    d->Set_Filename(Path(name));
    d->Open();
    return d;
  }
  // What savkit diff finds between the original fixture and the file now.
  std::vector<cli::Difference> DictionaryChanges() {
    TSPSSDatafile a, b;
    a.Set_Filename(SAVKIT_TEST_DATA "/full.sav");
    a.Open();
    b.Set_Filename(file_);
    b.Open();
    return cli::CompareDictionaries(a, b);
  }

  std::string file_, host_;
  std::unique_ptr<serve::Server> server_;
  std::thread thread_;
};

TEST_F(Serve, EveryRequestNeedsTheTokenAndTheServersOwnHost) {
  Start();
  const std::string token = server_->Token();
  ASSERT_EQ(token.size(), 32u);
  for (const char* path : {"/", "/app.js", "/api/info", "/api/rows", "/codebook", "/download", "/nothing"}) {
    EXPECT_EQ(StatusOf(Get(path, {{"Host", host_}})), 403) << path;
    EXPECT_EQ(StatusOf(Get(path, {{"Host", host_}, {"X-Savkit-Token", std::string(32, '0')}})), 403) << path;
  }
  EXPECT_EQ(StatusOf(Get("/?token=" + token, {{"Host", host_}})), 200);
  EXPECT_EQ(StatusOf(Get("/?token=" + token, {{"Host", "localhost:" + std::to_string(server_->Port())}})), 200);
  // DNS rebinding: another name, or this name on another port, is refused.
  for (std::string host : {std::string("evil.example:") + std::to_string(server_->Port()), std::string("127.0.0.1:1"),
                           std::string("127.0.0.1"), std::string("")})
    EXPECT_EQ(StatusOf(Get("/?token=" + token, {{"Host", host}})), 403) << host;

  auto page = Get("/?token=" + token, {{"Host", host_}});
  ASSERT_EQ(StatusOf(page), 200);
  EXPECT_NE(page->body.find("content=\"" + token + "\""), std::string::npos);
  EXPECT_EQ(page->get_header_value("X-Frame-Options"), "DENY");
  EXPECT_EQ(page->get_header_value("Referrer-Policy"), "no-referrer");
  EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'self'"), std::string::npos);

  // A change needs the token in its header: not in the address, not as a form.
  auto c = ClientOf(server_->Port());
  const std::string edit = R"({"op":"file-label","value":"x"})";
  EXPECT_EQ(StatusOf(c.Post("/api/edit?token=" + token, {{"Host", host_}}, edit, "application/json")), 403);
  EXPECT_EQ(StatusOf(c.Post("/api/edit", Auth(), "op=file-label&value=x", "application/x-www-form-urlencoded")), 415);
  EXPECT_EQ(StatusOf(c.Post("/api/edit", Auth(), edit, "text/plain")), 415);
  // Hostile bodies are refused whole: nested 100,000 deep, or too large.
  EXPECT_EQ(
      StatusOf(c.Post("/api/edit", Auth(), std::string(100'000, '[') + std::string(100'000, ']'), "application/json")),
      400);
  EXPECT_EQ(StatusOf(c.Post("/api/edit", Auth(), std::string(5 << 20, ' '), "application/json")), 413);
  EXPECT_EQ(StatusOf(c.Post("/api/edit", Auth(), "{\"op\": \"set\", \"case\": 1e400}", "application/json")), 400);
  // A GET changes nothing, whatever it carries.
  EXPECT_EQ(StatusOf(Get("/api/edit?token=" + token, {{"Host", host_}})), 404);
  EXPECT_EQ(GetJson("/api/info")["edits"], 0);
}

TEST_F(Serve, PagesShowValuesInTheirFormatsAndTellMissingApart) {
  Start();
  const Json info = GetJson("/api/info");
  EXPECT_EQ(info["cases"], 5);
  EXPECT_EQ(info["file"], "data.sav");
  const Json page = GetJson("/api/rows?first=2&count=100");
  ASSERT_EQ(page["rows"].size(), 4u);  // cut at the last case
  EXPECT_EQ(page["rows"][0]["case"], 2);
  EXPECT_EQ(page["rows"][0]["cells"][1], "-3.25");
  EXPECT_EQ(page["rows"][0]["kinds"][1], 1);  // LO thru 0: user-missing
  EXPECT_EQ(page["rows"][1]["cells"][1], ".");
  EXPECT_EQ(page["rows"][1]["kinds"][1], 2);  // system-missing
  EXPECT_EQ(page["rows"][0]["cells"][5], "29-FEB-2000");
  EXPECT_EQ(GetJson("/api/rows?first=1&count=1&labels=1")["rows"][0]["cells"][0], "one");
  // A wide file's rows come a block of variables at a time.
  const Json block = GetJson("/api/rows?first=2&count=1&column=1&columns=2");
  EXPECT_EQ(block["column"], 1);
  EXPECT_EQ(block["rows"][0]["cells"], Json::array({"-3.25", "Zoë"}));
  EXPECT_EQ(GetJson("/api/rows?first=2&count=1&column=19&columns=5")["rows"][0]["cells"].size(), 1u);
  EXPECT_EQ(GetJson("/api/rows?first=2&count=1&column=99")["rows"][0]["cells"].size(), 0u);
  GetJson("/api/rows?column=-1", 400);
  // To be edited, values come as they are typed.
  EXPECT_EQ(GetJson("/api/rows?first=2&count=2&column=5&columns=1&values=1")["rows"],
            Json::parse(R"([{"case": 2, "cells": ["2000-02-29"], "kinds": [0]},
                            {"case": 3, "cells": [""], "kinds": [2]}])"));
  EXPECT_EQ(GetJson("/api/rows?first=0", 400)["error"], "rows start at case 1 and count from 0");
  GetJson("/api/rows?count=5000", 400);
  GetJson("/api/rows?first=x", 400);

  const Json vars = GetJson("/api/variables");
  ASSERT_EQ(vars.size(), 20u);
  EXPECT_EQ(vars[1]["missing"], "LO thru 0");
  EXPECT_EQ(vars[1]["format"], "F9.2");
  EXPECT_EQ(vars[0]["valueLabels"][1], Json::array({"2", "two"}));

  // Found by value, by label, by part of a text; 0 when none holds it.
  EXPECT_EQ(GetJson("/api/search?variable=id&text=4")["case"], 4);
  EXPECT_EQ(GetJson("/api/search?variable=id&text=TWO")["case"], 2);
  EXPECT_EQ(GetJson("/api/search?variable=comment&text=CODE")["case"], 4);
  EXPECT_EQ(GetJson("/api/search?variable=id&text=4&from=5")["case"], 0);
  EXPECT_EQ(GetJson("/api/search?variable=nosuch&text=1", 409)["error"], "no variable named nosuch");
}

TEST_F(Serve, EditsAreRefusedByNameAndUndoneInOrder) {
  Start();
  Edit({{"op", "set"}, {"case", 1}, {"variable", "id"}, {"value", "41"}});
  EXPECT_EQ(Cell(1, 0), "41");
  EXPECT_EQ(Edit({{"op", "set"}, {"case", 1}, {"variable", "id"}, {"value", "abc"}}, 409)["error"],
            "id = abc: not a number");
  EXPECT_EQ(Edit({{"op", "set"}, {"case", 1}, {"variable", "code"}, {"value", "too long"}}, 409)["error"],
            "code = too long: longer than the variable's width of 3 bytes");
  EXPECT_EQ(Edit({{"op", "set"}, {"case", 9}, {"variable", "id"}, {"value", "1"}}, 409)["error"],
            "case 9: the cases are 1 to 5");
  Edit({{"op", "set"}, {"case", "1"}, {"variable", "id"}, {"value", "1"}}, 400);
  Edit({{"op", "explode"}}, 400);
  Post("/api/edit", Json::array(), 400);

  Edit({{"op", "variable"}, {"variable", "id"}, {"field", "label"}, {"value", "Case number"}});
  Edit({{"op", "variable"}, {"variable", "id"}, {"field", "missing"}, {"value", "1 thru 5; 9"}});
  EXPECT_EQ(GetJson("/api/variables")[0]["missing"], "1 thru 5; 9");
  for (const auto& [field, value, why] : std::vector<std::tuple<std::string, Json, std::string>>{
           {"missing", "5 thru 1", "id: the range of missing values 5 thru 1 ends below its start"},
           {"missing", "1; 2; 3; 4", "id: at most three missing values"},
           {"format", "A8", "not suitable for this variabletype"},
           {"format", "F99.2", "F99.2: a number's format is 1 to 40 wide"},
           {"name", "name", "name: another variable has this name"},
           {"name", "1st", "1st: not a variable name"},
           {"measure", "loud", "loud: not a measure (unknown, nominal, ordinal or scale)"},
           {"valueLabels", Json::array({Json::array({"1", "a"}), Json::array({"1", "b"})}),
            "This valuelabel already exists for this variable"}}) {
    const Json answer = Edit({{"op", "variable"}, {"variable", "id"}, {"field", field}, {"value", value}}, 409);
    EXPECT_NE(answer["error"].get<std::string>().find(why), std::string::npos) << field << ": " << answer;
  }
  // The refused labels took nothing away: a refusal part way is taken back whole.
  EXPECT_EQ(GetJson("/api/variables")[0]["valueLabels"].size(), 2u);
  EXPECT_EQ(GetJson("/api/info")["edits"], 3);

  Post("/api/undo", Json::object());
  EXPECT_EQ(GetJson("/api/variables")[0]["missing"], "999");
  Post("/api/undo", Json::object());
  EXPECT_EQ(GetJson("/api/variables")[0]["label"], "Identifier");
  EXPECT_EQ(Cell(1, 0), "41");
  Post("/api/undo", Json::object());
  EXPECT_EQ(Cell(1, 0), "1");
  EXPECT_EQ(Post("/api/undo", Json::object(), 409)["error"],
            "there is no edit to undo since the file was opened or saved");
  EXPECT_TRUE(GetJson("/api/changes")["equal"]);
}

TEST_F(Serve, SavedEditsAreAllTheFileChangesAndDiffSaysSo) {
  Start();
  Edit({{"op", "set"}, {"case", 2}, {"variable", "name"}, {"value", "Zed"}});
  Edit({{"op", "variable"}, {"variable", "name"}, {"field", "label"}, {"value", "First name"}});
  Edit({{"op", "add-case"}});
  Edit({{"op", "set"}, {"case", 6}, {"variable", "id"}, {"value", "6"}});
  const Json changes = GetJson("/api/changes");
  ASSERT_EQ(changes["dictionary"].size(), 1u);
  EXPECT_EQ(changes["dictionary"][0]["b"], "First name");
  EXPECT_EQ(changes["values"][0], (Json{{"case", 2}, {"variable", "name"}, {"a", "Zoë"}, {"b", "Zed"}}));
  EXPECT_EQ(changes["onlyEdited"], 1);

  const std::string before = testing::Bytes(file_);
  Post("/api/save", Json::object());
  EXPECT_EQ(GetJson("/api/info")["edits"], 0);
  EXPECT_TRUE(GetJson("/api/changes")["equal"]);
  const auto dict = DictionaryChanges();
  ASSERT_EQ(dict.size(), 1u);
  EXPECT_EQ(dict[0].field, "label");
  TSPSSDatafile saved;
  saved.Set_Filename(file_);
  saved.Open();
  EXPECT_EQ(saved.Cases()->Count(), 6);
  EXPECT_EQ(saved.Variables()->Find("name")->Get_Value(2).ToString().substr(0, 3), "Zed");

  // A file changed on disk behind the server is neither saved over nor undone onto.
  Edit({{"op", "file-label"}, {"value", "mine"}});
  { std::ofstream(file_, std::ios::app) << "x"; }
  const std::string theirs = testing::Bytes(file_);
  EXPECT_EQ(Post("/api/undo", Json::object(), 409)["error"].get<std::string>().find("changed on disk"),
            file_.size() + 1);
  EXPECT_EQ(Post("/api/save", Json::object(), 409).count("error"), 1u);
  EXPECT_EQ(testing::Bytes(file_), theirs);
  EXPECT_NE(before, theirs);
}

TEST_F(Serve, ACopyIsDownloadedAndTheFileStaysAsItWas) {
  Start();
  Edit({{"op", "delete-case"}, {"case", 1}});
  Edit({{"op", "add-variable"}, {"name", "extra"}, {"type", "string"}, {"width", 12}});
  Edit({{"op", "add-variable"}, {"name", "extra"}, {"type", "numeric"}}, 409);
  Edit({{"op", "delete-variable"}, {"variable", "c1"}});
  const std::string before = testing::Bytes(file_);
  const auto d = Downloaded("copy.sav");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->Cases()->Count(), 4);
  EXPECT_TRUE(d->Variables()->Find("extra"));
  EXPECT_FALSE(d->Variables()->Find("c1"));
  EXPECT_EQ(testing::Bytes(file_), before);
  EXPECT_EQ(GetJson("/api/info")["edits"], 3);  // still to be saved

  auto codebook = Get("/codebook", Auth());
  ASSERT_EQ(StatusOf(codebook), 200);
  EXPECT_NE(codebook->body.find("AVeryLongVariableNameForTheScore"), std::string::npos);
  EXPECT_NE(codebook->get_header_value("Content-Security-Policy").find("default-src 'none'"), std::string::npos);
}

TEST_F(Serve, ACopyOfAPortableFileIsOneAndNoneIsMadeOnAFileChangedOnDisk) {
  Start(false, "portable.por");
  Edit({{"op", "file-label"}, {"value", "copied"}});
  const auto d = Downloaded("copy.por");
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->IsPortable());
  EXPECT_EQ(d->FileInfo()->FileLabel(), "copied");

  { std::ofstream(file_, std::ios::app) << "\r\n"; }
  auto r = Get("/download", Auth());
  ASSERT_EQ(StatusOf(r), 409);
  EXPECT_NE(r->body.find("changed on disk"), std::string::npos);
  // The data set edited is still the one served, edits and all.
  EXPECT_EQ(GetJson("/api/info")["label"], "copied");
}

// The browser asks for pages on several connections while edits go in: each
// request sees the component whole, and no edit is lost.
TEST_F(Serve, PagesAndEditsFromManyConnectionsAtOnce) {
  Start();
  Get("/api/info", Auth());
  std::vector<std::thread> clients;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t)
    clients.emplace_back([&, t] {
      auto c = ClientOf(server_->Port());
      for (int i = 0; i < 25; ++i) {
        auto page = c.Get("/api/rows?first=1&count=100", Auth());
        if (!page || page->status != 200 || Json::parse(page->body)["rows"].size() < 5) ++failures;
        if (t % 2 == 0) {
          const Json edit = {
              {"op", "set"}, {"case", 1 + i % 5}, {"variable", "wt"}, {"value", std::to_string(t * 100 + i)}};
          auto r = c.Post("/api/edit", Auth(), edit.dump(), "application/json");
          if (!r || r->status != 200) ++failures;
        }
      }
    });
  for (std::thread& t : clients) t.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(GetJson("/api/info")["edits"], 50);
}

TEST_F(Serve, ReadOnlyRefusesEveryChange) {
  Start(true);
  EXPECT_TRUE(GetJson("/api/info")["readOnly"]);
  for (const char* path : {"/api/edit", "/api/undo", "/api/save"})
    EXPECT_EQ(Post(path, {{"op", "add-case"}}, 409)["error"], "the file is open read-only (savkit serve --read-only)");
  EXPECT_EQ(GetJson("/api/rows?count=1")["rows"].size(), 1u);
}

}  // namespace
}  // namespace savkit
