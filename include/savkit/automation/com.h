// The least of an object model for automation that the client wrappers need:
// identifiers, reference-counted interfaces, status checks, and creating an
// object by its class identifier from servers registered in this process.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "savkit/host/exceptions.h"

namespace savkit {

struct TGUID {
  std::uint32_t D1 = 0;
  std::uint16_t D2 = 0, D3 = 0;
  std::uint8_t D4[8] = {};

  // "{56A66A20-F8D7-11CE-AF2E-0000C07ABC0D}"; EConvertError for other text.
  static TGUID Parse(const std::string& text);
  std::string ToString() const;
  friend bool operator==(const TGUID& a, const TGUID& b);
  friend bool operator<(const TGUID& a, const TGUID& b);
};

using HResult = std::int32_t;
inline constexpr HResult S_OK = 0;
inline constexpr HResult E_FAIL = static_cast<HResult>(0x80004005u);
inline constexpr HResult E_NOINTERFACE = static_cast<HResult>(0x80004002u);
inline constexpr HResult CLASS_E_NOTREGISTERED = static_cast<HResult>(0x80040154u);  // "Class not registered"
inline constexpr HResult MK_E_UNAVAILABLE = static_cast<HResult>(0x800401E3u);       // no running instance
inline constexpr bool Failed(HResult status) { return status < 0; }

// The automation error: a failure status from an object, or the failure to
// create one.
class EOleSysError : public Exception {
 public:
  EOleSysError(std::string message, HResult errorCode) : Exception(std::move(message)), errorCode_(errorCode) {}
  HResult ErrorCode() const { return errorCode_; }

 private:
  HResult errorCode_;
};

// An object that does not offer the interface asked for.
class EIntfCastError : public Exception {
  using Exception::Exception;
};

// Raises EOleSysError for a failure status.
void OleCheck(HResult status);

// The root of every interface: reference counting and interface queries.
class IUnknown {
 public:
  virtual HResult QueryInterface(const TGUID& iid, void** object) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

inline constexpr TGUID IID_IUnknown{0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A counted reference to an interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(T* p) : p_(p) {  // NOLINT: takes a new reference, as an assignment in the framework does
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  ComPtr& operator=(ComPtr o) {
    std::swap(p_, o.p_);
    return *this;
  }
  ~ComPtr() {
    if (p_) p_->Release();
  }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Clear() { *this = ComPtr(); }
  // The interface iid of the object, or EIntfCastError.
  template <class U>
  ComPtr<U> As(const TGUID& iid) const {
    void* out = nullptr;
    if (!p_ || Failed(p_->QueryInterface(iid, &out)) || !out) throw EIntfCastError("Interface not supported");
    ComPtr<U> result;
    result.p_ = static_cast<U*>(out);  // QueryInterface added the reference
    return result;
  }

 private:
  template <class>
  friend class ComPtr;
  T* p_ = nullptr;
};

// A reference-counted implementation base: destroys itself at count 0.
template <class... Interfaces>
class TInterfacedObject : public Interfaces... {
 public:
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<std::uint32_t> refs_{0};
};

// Servers of this process, by class identifier. A remote machine is served
// only by what was registered for its name.
using TClassFactory = std::function<ComPtr<IUnknown>()>;
void RegisterClassObject(const TGUID& clsid, TClassFactory factory, const std::string& machine = "");
void RevokeClassObject(const TGUID& clsid, const std::string& machine = "");
// Running instances that clients may attach to.
void RegisterActiveObject(const TGUID& clsid, ComPtr<IUnknown> object);
void RevokeActiveObject(const TGUID& clsid);

// Each raises EOleSysError when nothing serves the class.
ComPtr<IUnknown> CreateComObject(const TGUID& clsid);
ComPtr<IUnknown> CreateRemoteComObject(const std::string& machine, const TGUID& clsid);
ComPtr<IUnknown> GetActiveOleObject(const TGUID& clsid);

}  // namespace savkit
