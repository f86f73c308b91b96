#include "savkit/host/sysutils.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "savkit/host/exceptions.h"
#include "savkit/host/format.h"
#include "savkit/trim.h"

namespace savkit {

namespace fs = std::filesystem;

bool TryStrToInt(std::string_view text, std::int32_t& value) {
  std::string t = Trim(text);
  std::string_view s = t;
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.front() == '-' || s.front() == '+') return false;
  std::int64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude);
  if (ec != std::errc() || end != s.data() + s.size()) return false;
  const std::int64_t v = negative ? -magnitude : magnitude;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<std::int32_t>(v);
  return true;
}

std::int32_t StrToInt(std::string_view text) {
  std::int32_t v;
  if (!TryStrToInt(text, v)) throw EConvertError(Format("'%s' is not a valid integer value", text));
  return v;
}

std::string IntToStr(std::int64_t value) { return std::to_string(value); }

std::string UpperCase(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string LowerCase(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string TrimLeft(std::string_view text) { return std::string(trim::WhiteLeft(text)); }
std::string TrimRight(std::string_view text) { return std::string(trim::WhiteRight(text)); }
std::string Trim(std::string_view text) { return std::string(trim::White(text)); }

int CompareStr(std::string_view a, std::string_view b) {
  const int c = a.compare(b);
  return (c > 0) - (c < 0);
}

bool SameText(std::string_view a, std::string_view b) { return LowerCase(a) == LowerCase(b); }

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::exists(path, ec) && !fs::is_directory(path, ec);
}

bool DirectoryExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(path, ec);
}

bool DeleteFile(const std::string& path) {
  std::error_code ec;
  if (path.empty() || fs::is_directory(path, ec)) return false;
  return fs::remove(path, ec) && !ec;
}

std::string ExpandFileName(const std::string& path) {
  if (path.empty()) return {};
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  if (ec) p = path;
  std::string out = p.lexically_normal().string();
  // A directory given with a trailing '/' keeps it, like the input did.
  if (out.size() > 1 && out.back() == '/' && path.back() != '/') out.pop_back();
  return out;
}

std::string ExtractFilePath(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ExtractFileName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace savkit
