#include "savkit/automation/oleserver.h"

namespace savkit {

ComPtr<IUnknown> TOleServer::GetServer() {
  switch (connectKind_) {
    case ckNewInstance: return CreateComObject(serverData_.ClassID);
    case ckRunningInstance: return GetActiveOleObject(serverData_.ClassID);
    case ckRemote: return CreateRemoteComObject(remoteMachineName_, serverData_.ClassID);
    case ckRunningOrNew:
    case ckAttachToInterface: try { return GetActiveOleObject(serverData_.ClassID);
      } catch (const EOleSysError&) {
        return CreateComObject(serverData_.ClassID);
      }
  }
  return CreateComObject(serverData_.ClassID);
}

}  // namespace savkit
