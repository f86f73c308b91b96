#include "savkit/automation/spsswin.h"

namespace savkit {

const TGUID CLASS_SPSSApplication = TGUID::Parse("{56A66A20-F8D7-11CE-AF2E-0000C07ABC0D}");
const TGUID IID_ISpssApp = TGUID::Parse("{D5AC05E0-F84C-11CE-AF2E-0000C07ABC0D}");
const TGUID CLASS_SpssServer = TGUID::Parse("{56A186FF-DC76-11D2-98D5-00C04F79B099}");
const TGUID IID_ISpssServer = TGUID::Parse("{56A186FD-DC76-11D2-98D5-00C04F79B099}");
const TGUID CLASS_SpssServers = TGUID::Parse("{56A1870B-DC76-11D2-98D5-00C04F79B099}");
const TGUID IID_ISpssServers = TGUID::Parse("{56A18709-DC76-11D2-98D5-00C04F79B099}");
const TGUID CLASS_CS_Application = TGUID::Parse("{DE956B7A-D885-11D2-98D3-00C04F79B099}");
const TGUID IID_ISpssCSApp = TGUID::Parse("{C3B31CB7-DB1A-11D2-98D3-00C04F79B099}");

namespace {

template <class Intf>
const TGUID& IidOf();
template <>
const TGUID& IidOf<ISpssApp>() {
  return IID_ISpssApp;
}
template <>
const TGUID& IidOf<ISpssCSApp>() {
  return IID_ISpssCSApp;
}
template <>
const TGUID& IidOf<ISpssServer>() {
  return IID_ISpssServer;
}
template <>
const TGUID& IidOf<ISpssServers>() {
  return IID_ISpssServers;
}

TServerData Data(const TGUID& clsid, const TGUID& iid) {
  TServerData d;
  d.ClassID = clsid;
  d.IntfIID = iid;
  d.Version = 500;
  d.InstanceCount = 0;
  return d;
}

// An interface result: the out-result starts cleared, the status is checked,
// and the reference the callee gave is taken over.
template <class Call>
ComPtr<IUnknown> InterfaceResult(Call&& call) {
  IUnknown* out = nullptr;
  const HResult status = call(&out);
  ComPtr<IUnknown> result(out);
  if (out) out->Release();
  OleCheck(status);
  return result;
}

template <class T, class Call>
T ValueResult(Call&& call) {
  T out{};
  OleCheck(call(&out));
  return out;
}

template <class Intf>
ComPtr<Intf> Created(ComPtr<IUnknown> object) {
  return object.template As<Intf>(IidOf<Intf>());
}

}  // namespace

template <class Intf>
void TSpssAppClient<Intf>::Connect() {
  if (!intf_) intf_ = GetServer().template As<Intf>(IidOf<Intf>());
}

template <class Intf>
void TSpssAppClient<Intf>::ConnectTo(ComPtr<Intf> intf) {
  Disconnect();
  intf_ = std::move(intf);
}

template <class Intf>
void TSpssAppClient<Intf>::Disconnect() {
  if (!intf_) return;
  if (autoQuit_) intf_->Quit();
  intf_.Clear();
}

template <class Intf>
ComPtr<Intf> TSpssAppClient<Intf>::GetDefaultInterface() {
  if (!intf_) Connect();
  return intf_;
}

#define SAVKIT_FORWARD_INTERFACE(Method, ...) \
  return InterfaceResult([&](IUnknown** out) { return GetDefaultInterface()->Method(__VA_ARGS__); })

template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::Get_Documents() {
  SAVKIT_FORWARD_INTERFACE(Get_Documents, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::Get_Options() {
  SAVKIT_FORWARD_INTERFACE(Get_Options, out);
}
template <class Intf>
WideString TSpssAppClient<Intf>::Get_CurrentDirectory() {
  return ValueResult<WideString>([&](WideString* out) { return GetDefaultInterface()->Get_CurrentDirectory(out); });
}
template <class Intf>
void TSpssAppClient<Intf>::Set_CurrentDirectory(const WideString& value) {
  OleCheck(GetDefaultInterface()->Set_CurrentDirectory(value));
}
template <class Intf>
WordBool TSpssAppClient<Intf>::Get_Alerts() {
  return ValueResult<WordBool>([&](WordBool* out) { return GetDefaultInterface()->Get_Alerts(out); });
}
template <class Intf>
void TSpssAppClient<Intf>::Set_Alerts(WordBool value) {
  OleCheck(GetDefaultInterface()->Set_Alerts(value));
}
template <class Intf>
WordBool TSpssAppClient<Intf>::Get_ToolbarVisible(const WideString& name) {
  return ValueResult<WordBool>([&](WordBool* out) { return GetDefaultInterface()->Get_ToolbarVisible(name, out); });
}
template <class Intf>
void TSpssAppClient<Intf>::Set_ToolbarVisible(const WideString& name, WordBool value) {
  OleCheck(GetDefaultInterface()->Set_ToolbarVisible(name, value));
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::OpenOutputDoc(const WideString& file) {
  SAVKIT_FORWARD_INTERFACE(OpenOutputDoc, file, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::OpenSyntaxDoc(const WideString& file) {
  SAVKIT_FORWARD_INTERFACE(OpenSyntaxDoc, file, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::OpenDataDoc(const WideString& file) {
  SAVKIT_FORWARD_INTERFACE(OpenDataDoc, file, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::OpenDraftDoc(const WideString& file) {
  SAVKIT_FORWARD_INTERFACE(OpenDraftDoc, file, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::NewOutputDoc() {
  SAVKIT_FORWARD_INTERFACE(NewOutputDoc, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::NewSyntaxDoc() {
  SAVKIT_FORWARD_INTERFACE(NewSyntaxDoc, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::NewDataDoc() {
  SAVKIT_FORWARD_INTERFACE(NewDataDoc, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::NewDraftDoc() {
  SAVKIT_FORWARD_INTERFACE(NewDraftDoc, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::GetDesignatedOutputDoc() {
  SAVKIT_FORWARD_INTERFACE(GetDesignatedOutputDoc, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::GetDesignatedSyntaxDoc() {
  SAVKIT_FORWARD_INTERFACE(GetDesignatedSyntaxDoc, out);
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::GetDesignatedDraftDoc() {
  SAVKIT_FORWARD_INTERFACE(GetDesignatedDraftDoc, out);
}
template <class Intf>
void TSpssAppClient<Intf>::ExecuteCommands(const WideString& commands, WordBool sync) {
  OleCheck(GetDefaultInterface()->ExecuteCommands(commands, sync));
}
template <class Intf>
void TSpssAppClient<Intf>::ExecuteInclude(const WideString& file, WordBool sync) {
  OleCheck(GetDefaultInterface()->ExecuteInclude(file, sync));
}
template <class Intf>
WordBool TSpssAppClient<Intf>::IsBusy() {
  return ValueResult<WordBool>([&](WordBool* out) { return GetDefaultInterface()->IsBusy(out); });
}
template <class Intf>
void TSpssAppClient<Intf>::Quit() {
  OleCheck(GetDefaultInterface()->Quit());
}
template <class Intf>
void TSpssAppClient<Intf>::Interrupt() {
  OleCheck(GetDefaultInterface()->Interrupt());
}
template <class Intf>
ComPtr<IUnknown> TSpssAppClient<Intf>::SpssInfo() {
  SAVKIT_FORWARD_INTERFACE(SpssInfo, out);
}
template <class Intf>
WordBool TSpssAppClient<Intf>::OpenDocument(const WideString& file, WordBool visible) {
  return ValueResult<WordBool>([&](WordBool* out) { return GetDefaultInterface()->OpenDocument(file, visible, out); });
}
template <class Intf>
WideString TSpssAppClient<Intf>::GetSPSSPath() {
  return ValueResult<WideString>([&](WideString* out) { return GetDefaultInterface()->GetSPSSPath(out); });
}
template <class Intf>
WideString TSpssAppClient<Intf>::ScriptParameter(std::int32_t index) {
  return ValueResult<WideString>([&](WideString* out) { return GetDefaultInterface()->ScriptParameter(index, out); });
}

template class TSpssAppClient<ISpssApp>;
template class TSpssAppClient<ISpssCSApp>;

void TSPSSApplication::InitServerData() { serverData_ = Data(CLASS_SPSSApplication, IID_ISpssApp); }
void TSPSS_CS_Application::InitServerData() { serverData_ = Data(CLASS_CS_Application, IID_ISpssCSApp); }

ComPtr<IUnknown> TSPSS_CS_Application::Servers() { SAVKIT_FORWARD_INTERFACE(Servers, out); }

void TSpssServer::InitServerData() { serverData_ = Data(CLASS_SpssServer, IID_ISpssServer); }
void TSpssServer::Connect() {
  if (!intf_) intf_ = GetServer().As<ISpssServer>(IID_ISpssServer);
}
void TSpssServer::ConnectTo(ComPtr<ISpssServer> intf) {
  Disconnect();
  intf_ = std::move(intf);
}
void TSpssServer::Disconnect() { intf_.Clear(); }
ComPtr<ISpssServer> TSpssServer::GetDefaultInterface() {
  if (!intf_) Connect();
  return intf_;
}
WideString TSpssServer::Get_Location() {
  return ValueResult<WideString>([&](WideString* out) { return GetDefaultInterface()->Get_Location(out); });
}
void TSpssServer::Set_Location(const WideString& value) { OleCheck(GetDefaultInterface()->Set_Location(value)); }
WordBool TSpssServer::Connect1(const WideString& user, const WideString& password, std::int16_t flags) {
  return ValueResult<WordBool>(
      [&](WordBool* out) { return GetDefaultInterface()->Connect(user, password, flags, out); });
}
void TSpssServer::Disconnect1() { OleCheck(GetDefaultInterface()->Disconnect()); }

void TSpssServers::InitServerData() { serverData_ = Data(CLASS_SpssServers, IID_ISpssServers); }
void TSpssServers::Connect() {
  if (!intf_) intf_ = GetServer().As<ISpssServers>(IID_ISpssServers);
}
void TSpssServers::ConnectTo(ComPtr<ISpssServers> intf) {
  Disconnect();
  intf_ = std::move(intf);
}
void TSpssServers::Disconnect() { intf_.Clear(); }
ComPtr<ISpssServers> TSpssServers::GetDefaultInterface() {
  if (!intf_) Connect();
  return intf_;
}
void TSpssServers::Add(const WideString& name) { OleCheck(GetDefaultInterface()->Add(name)); }
void TSpssServers::Remove(const WideString& name) { OleCheck(GetDefaultInterface()->Remove(name)); }
ComPtr<IUnknown> TSpssServers::First() { SAVKIT_FORWARD_INTERFACE(First, out); }
ComPtr<IUnknown> TSpssServers::Next() { SAVKIT_FORWARD_INTERFACE(Next, out); }

#undef SAVKIT_FORWARD_INTERFACE

ComPtr<ISpssApp> CoSPSSApplication::Create() { return Created<ISpssApp>(CreateComObject(CLASS_SPSSApplication)); }
ComPtr<ISpssApp> CoSPSSApplication::CreateRemote(const std::string& machine) {
  return Created<ISpssApp>(CreateRemoteComObject(machine, CLASS_SPSSApplication));
}
ComPtr<ISpssServer> CoSpssServer::Create() { return Created<ISpssServer>(CreateComObject(CLASS_SpssServer)); }
ComPtr<ISpssServer> CoSpssServer::CreateRemote(const std::string& machine) {
  return Created<ISpssServer>(CreateRemoteComObject(machine, CLASS_SpssServer));
}
ComPtr<ISpssServers> CoSpssServers::Create() { return Created<ISpssServers>(CreateComObject(CLASS_SpssServers)); }
ComPtr<ISpssServers> CoSpssServers::CreateRemote(const std::string& machine) {
  return Created<ISpssServers>(CreateRemoteComObject(machine, CLASS_SpssServers));
}
ComPtr<ISpssCSApp> CoCS_Application::Create() { return Created<ISpssCSApp>(CreateComObject(CLASS_CS_Application)); }
ComPtr<ISpssCSApp> CoCS_Application::CreateRemote(const std::string& machine) {
  return Created<ISpssCSApp>(CreateRemoteComObject(machine, CLASS_CS_Application));
}

}  // namespace savkit
