// The base of automation client components: how to reach the server (a new
// instance, a running one, a remote machine) and which object to ask for.
#pragma once

#include <string>

#include "savkit/automation/com.h"
#include "savkit/host/component.h"

namespace savkit {

enum TConnectKind { ckRunningOrNew, ckNewInstance, ckRunningInstance, ckRemote, ckAttachToInterface };

struct TServerData {
  TGUID ClassID;
  TGUID IntfIID;
  TGUID EventIID;  // all zero: no event interface
  int Version = 0;
  int InstanceCount = 0;
};

class TOleServer : public TComponent {
 public:
  TOleServer() = default;
  ~TOleServer() override = default;

  TConnectKind ConnectKind() const { return connectKind_; }
  void Set_ConnectKind(TConnectKind kind) { connectKind_ = kind; }
  const std::string& RemoteMachineName() const { return remoteMachineName_; }
  void Set_RemoteMachineName(const std::string& name) { remoteMachineName_ = name; }
  const TServerData& ServerData() const { return serverData_; }

  virtual void Connect() = 0;
  virtual void Disconnect() = 0;

 protected:
  // Fills the server data; wrappers call it from their constructors.
  virtual void InitServerData() = 0;
  // The server object as the connection settings say; EOleSysError when
  // nothing serves it.
  ComPtr<IUnknown> GetServer();
  TServerData serverData_;

 private:
  TConnectKind connectKind_ = ckRunningOrNew;
  std::string remoteMachineName_;
};

}  // namespace savkit
