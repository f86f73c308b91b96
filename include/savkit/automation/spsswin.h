// Client components for the SPSS statistics application's automation
// interfaces: thin forwarders that connect on first use and check every
// call's status.
#pragma once

#include <cstdint>
#include <string>

#include "savkit/automation/oleserver.h"

namespace savkit {

using WideString = std::u16string;
using WordBool = std::int16_t;  // 0 false, -1 true

// The methods that ISpssApp and ISpssCSApp share.
class ISpssAppMethods : public IUnknown {
 public:
  virtual HResult Get_Documents(IUnknown** result) = 0;
  virtual HResult Get_Options(IUnknown** result) = 0;
  virtual HResult Get_CurrentDirectory(WideString* result) = 0;
  virtual HResult Set_CurrentDirectory(const WideString& value) = 0;
  virtual HResult Get_Alerts(WordBool* result) = 0;
  virtual HResult Set_Alerts(WordBool value) = 0;
  virtual HResult Get_ToolbarVisible(const WideString& name, WordBool* result) = 0;
  virtual HResult Set_ToolbarVisible(const WideString& name, WordBool value) = 0;
  virtual HResult OpenOutputDoc(const WideString& file, IUnknown** result) = 0;
  virtual HResult OpenSyntaxDoc(const WideString& file, IUnknown** result) = 0;
  virtual HResult OpenDataDoc(const WideString& file, IUnknown** result) = 0;
  virtual HResult OpenDraftDoc(const WideString& file, IUnknown** result) = 0;
  virtual HResult NewOutputDoc(IUnknown** result) = 0;
  virtual HResult NewSyntaxDoc(IUnknown** result) = 0;
  virtual HResult NewDataDoc(IUnknown** result) = 0;
  virtual HResult NewDraftDoc(IUnknown** result) = 0;
  virtual HResult GetDesignatedOutputDoc(IUnknown** result) = 0;
  virtual HResult GetDesignatedSyntaxDoc(IUnknown** result) = 0;
  virtual HResult GetDesignatedDraftDoc(IUnknown** result) = 0;
  virtual HResult ExecuteCommands(const WideString& commands, WordBool sync) = 0;
  virtual HResult ExecuteInclude(const WideString& file, WordBool sync) = 0;
  virtual HResult IsBusy(WordBool* result) = 0;
  virtual HResult Quit() = 0;
  virtual HResult Interrupt() = 0;
  virtual HResult SpssInfo(IUnknown** result) = 0;
  virtual HResult OpenDocument(const WideString& file, WordBool visible, WordBool* result) = 0;
  virtual HResult GetSPSSPath(WideString* result) = 0;
  virtual HResult ScriptParameter(std::int32_t index, WideString* result) = 0;
};

class ISpssApp : public ISpssAppMethods {};
class ISpssCSApp : public ISpssAppMethods {
 public:
  virtual HResult Servers(IUnknown** result) = 0;
};

class ISpssServer : public IUnknown {
 public:
  virtual HResult Get_Location(WideString* result) = 0;
  virtual HResult Set_Location(const WideString& value) = 0;
  virtual HResult Connect(const WideString& user, const WideString& password, std::int16_t flags, WordBool* result) = 0;
  virtual HResult Disconnect() = 0;
};

class ISpssServers : public IUnknown {
 public:
  virtual HResult Add(const WideString& name) = 0;
  virtual HResult Remove(const WideString& name) = 0;
  virtual HResult First(IUnknown** result) = 0;
  virtual HResult Next(IUnknown** result) = 0;
};

extern const TGUID CLASS_SPSSApplication;
extern const TGUID IID_ISpssApp;
extern const TGUID CLASS_SpssServer;
extern const TGUID IID_ISpssServer;
extern const TGUID CLASS_SpssServers;
extern const TGUID IID_ISpssServers;
extern const TGUID CLASS_CS_Application;
extern const TGUID IID_ISpssCSApp;

// The application components share everything but their interface.
template <class Intf>
class TSpssAppClient : public TOleServer {
 public:
  bool AutoQuit() const { return autoQuit_; }
  void Set_AutoQuit(bool value) { autoQuit_ = value; }

  void Connect() override;
  void ConnectTo(ComPtr<Intf> intf);
  void Disconnect() override;
  ComPtr<Intf> GetDefaultInterface();

  ComPtr<IUnknown> Get_Documents();
  ComPtr<IUnknown> Get_Options();
  WideString Get_CurrentDirectory();
  void Set_CurrentDirectory(const WideString& value);
  WordBool Get_Alerts();
  void Set_Alerts(WordBool value);
  WordBool Get_ToolbarVisible(const WideString& name);
  void Set_ToolbarVisible(const WideString& name, WordBool value);
  ComPtr<IUnknown> OpenOutputDoc(const WideString& file);
  ComPtr<IUnknown> OpenSyntaxDoc(const WideString& file);
  ComPtr<IUnknown> OpenDataDoc(const WideString& file);
  ComPtr<IUnknown> OpenDraftDoc(const WideString& file);
  ComPtr<IUnknown> NewOutputDoc();
  ComPtr<IUnknown> NewSyntaxDoc();
  ComPtr<IUnknown> NewDataDoc();
  ComPtr<IUnknown> NewDraftDoc();
  ComPtr<IUnknown> GetDesignatedOutputDoc();
  ComPtr<IUnknown> GetDesignatedSyntaxDoc();
  ComPtr<IUnknown> GetDesignatedDraftDoc();
  void ExecuteCommands(const WideString& commands, WordBool sync);
  void ExecuteInclude(const WideString& file, WordBool sync);
  WordBool IsBusy();
  void Quit();
  void Interrupt();
  ComPtr<IUnknown> SpssInfo();
  WordBool OpenDocument(const WideString& file, WordBool visible);
  WideString GetSPSSPath();
  WideString ScriptParameter(std::int32_t index);

 protected:
  ComPtr<Intf> intf_;

 private:
  bool autoQuit_ = false;
};

class TSPSSApplication : public TSpssAppClient<ISpssApp> {
 public:
  TSPSSApplication() { InitServerData(); }
  ~TSPSSApplication() override { Disconnect(); }

 protected:
  void InitServerData() override;
};

class TSPSS_CS_Application : public TSpssAppClient<ISpssCSApp> {
 public:
  TSPSS_CS_Application() { InitServerData(); }
  ~TSPSS_CS_Application() override { Disconnect(); }
  ComPtr<IUnknown> Servers();

 protected:
  void InitServerData() override;
};

class TSpssServer : public TOleServer {
 public:
  TSpssServer() { InitServerData(); }
  ~TSpssServer() override { Disconnect(); }
  void Connect() override;
  void ConnectTo(ComPtr<ISpssServer> intf);
  void Disconnect() override;
  ComPtr<ISpssServer> GetDefaultInterface();

  WideString Get_Location();
  void Set_Location(const WideString& value);
  WordBool Connect1(const WideString& user, const WideString& password, std::int16_t flags);
  void Disconnect1();

 protected:
  void InitServerData() override;

 private:
  ComPtr<ISpssServer> intf_;
};

class TSpssServers : public TOleServer {
 public:
  TSpssServers() { InitServerData(); }
  ~TSpssServers() override { Disconnect(); }
  void Connect() override;
  void ConnectTo(ComPtr<ISpssServers> intf);
  void Disconnect() override;
  ComPtr<ISpssServers> GetDefaultInterface();

  void Add(const WideString& name);
  void Remove(const WideString& name);
  ComPtr<IUnknown> First();
  ComPtr<IUnknown> Next();

 protected:
  void InitServerData() override;

 private:
  ComPtr<ISpssServers> intf_;
};

// Creators: the object by its class identifier, queried for its interface.
struct CoSPSSApplication {
  static ComPtr<ISpssApp> Create();
  static ComPtr<ISpssApp> CreateRemote(const std::string& machine);
};
struct CoSpssServer {
  static ComPtr<ISpssServer> Create();
  static ComPtr<ISpssServer> CreateRemote(const std::string& machine);
};
struct CoSpssServers {
  static ComPtr<ISpssServers> Create();
  static ComPtr<ISpssServers> CreateRemote(const std::string& machine);
};
struct CoCS_Application {
  static ComPtr<ISpssCSApp> Create();
  static ComPtr<ISpssCSApp> CreateRemote(const std::string& machine);
};

}  // namespace savkit
