#include "savkit/automation/com.h"

#include <cstdio>
#include <map>
#include <mutex>

#include "savkit/host/format.h"

namespace savkit {

TGUID TGUID::Parse(const std::string& text) {
  TGUID g;
  unsigned d1, d2, d3, b[8];
  char close = 0;
  if (text.size() != 38 ||
      std::sscanf(text.c_str(), "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x%c", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3],
                  &b[4], &b[5], &b[6], &b[7], &close) != 12 ||
      close != '}')
    throw EConvertError(Format("'%s' is not a valid GUID value", text));
  g.D1 = d1;
  g.D2 = static_cast<std::uint16_t>(d2);
  g.D3 = static_cast<std::uint16_t>(d3);
  for (int i = 0; i < 8; ++i) g.D4[i] = static_cast<std::uint8_t>(b[i]);
  return g;
}

std::string TGUID::ToString() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", D1, D2, D3, D4[0], D4[1], D4[2],
                D4[3], D4[4], D4[5], D4[6], D4[7]);
  return buf;
}

bool operator==(const TGUID& a, const TGUID& b) { return a.ToString() == b.ToString(); }
bool operator<(const TGUID& a, const TGUID& b) { return a.ToString() < b.ToString(); }

void OleCheck(HResult status) {
  if (!Failed(status)) return;
  char code[16];
  std::snprintf(code, sizeof code, "%08X", static_cast<unsigned>(status));
  const char* text = status == CLASS_E_NOTREGISTERED ? "Class not registered"
                     : status == MK_E_UNAVAILABLE    ? "Operation unavailable"
                     : status == E_NOINTERFACE       ? "Interface not supported"
                                                     : "Unspecified error";
  throw EOleSysError(Format("%s (%s)", text, code), status);
}

namespace {

std::mutex registryMutex;
std::map<std::pair<std::string, std::string>, TClassFactory>& Factories() {
  static std::map<std::pair<std::string, std::string>, TClassFactory> f;
  return f;
}
std::map<std::string, ComPtr<IUnknown>>& Running() {
  static std::map<std::string, ComPtr<IUnknown>> r;
  return r;
}

ComPtr<IUnknown> Create(const std::string& machine, const TGUID& clsid) {
  TClassFactory factory;
  {
    std::lock_guard lock(registryMutex);
    const auto it = Factories().find({machine, clsid.ToString()});
    if (it != Factories().end()) factory = it->second;
  }
  if (!factory) OleCheck(CLASS_E_NOTREGISTERED);
  ComPtr<IUnknown> object = factory();
  if (!object) OleCheck(E_FAIL);
  return object;
}

}  // namespace

void RegisterClassObject(const TGUID& clsid, TClassFactory factory, const std::string& machine) {
  std::lock_guard lock(registryMutex);
  Factories()[{machine, clsid.ToString()}] = std::move(factory);
}

void RevokeClassObject(const TGUID& clsid, const std::string& machine) {
  std::lock_guard lock(registryMutex);
  Factories().erase({machine, clsid.ToString()});
}

void RegisterActiveObject(const TGUID& clsid, ComPtr<IUnknown> object) {
  std::lock_guard lock(registryMutex);
  Running()[clsid.ToString()] = std::move(object);
}

void RevokeActiveObject(const TGUID& clsid) {
  std::lock_guard lock(registryMutex);
  Running().erase(clsid.ToString());
}

ComPtr<IUnknown> CreateComObject(const TGUID& clsid) { return Create("", clsid); }

ComPtr<IUnknown> CreateRemoteComObject(const std::string& machine, const TGUID& clsid) {
  return Create(machine, clsid);
}

ComPtr<IUnknown> GetActiveOleObject(const TGUID& clsid) {
  std::lock_guard lock(registryMutex);
  const auto it = Running().find(clsid.ToString());
  if (it == Running().end()) OleCheck(MK_E_UNAVAILABLE);
  return it->second;
}

}  // namespace savkit
