// The automation client components against a small fake statistics
// application served in this process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "savkit/automation/spsswin.h"
#include "savkit/config.h"

using namespace savkit;

namespace {

// A document object the fake hands out.
class FakeDocument : public TInterfacedObject<IUnknown> {
 public:
  HResult QueryInterface(const TGUID&, void** object) override {
    AddRef();
    *object = static_cast<IUnknown*>(this);
    return S_OK;
  }
};

// Records every call; answers with the status in `status`.
class FakeApp : public TInterfacedObject<ISpssApp> {
 public:
  std::vector<std::string>* calls;
  HResult status = S_OK;
  explicit FakeApp(std::vector<std::string>* log) : calls(log) {}

  HResult QueryInterface(const TGUID& iid, void** object) override {
    if (!(iid == IID_ISpssApp) && !(iid == IID_IUnknown)) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<ISpssApp*>(this);
    return S_OK;
  }
  HResult Doc(const std::string& name, IUnknown** out) {
    calls->push_back(name);
    *out = new FakeDocument;
    (*out)->AddRef();
    return status;
  }
  HResult Call(const std::string& name) {
    calls->push_back(name);
    return status;
  }
  static std::string Narrow(const WideString& s) { return std::string(s.begin(), s.end()); }

  HResult Get_Documents(IUnknown** r) override { return Doc("Get_Documents", r); }
  HResult Get_Options(IUnknown** r) override { return Doc("Get_Options", r); }
  HResult Get_CurrentDirectory(WideString* r) override {
    *r = u"/data";
    return Call("Get_CurrentDirectory");
  }
  HResult Set_CurrentDirectory(const WideString& v) override { return Call("Set_CurrentDirectory " + Narrow(v)); }
  HResult Get_Alerts(WordBool* r) override {
    *r = -1;
    return Call("Get_Alerts");
  }
  HResult Set_Alerts(WordBool v) override { return Call("Set_Alerts " + std::to_string(v)); }
  HResult Get_ToolbarVisible(const WideString& n, WordBool* r) override {
    *r = 0;
    return Call("Get_ToolbarVisible " + Narrow(n));
  }
  HResult Set_ToolbarVisible(const WideString& n, WordBool v) override {
    return Call("Set_ToolbarVisible " + Narrow(n) + " " + std::to_string(v));
  }
  HResult OpenOutputDoc(const WideString& f, IUnknown** r) override { return Doc("OpenOutputDoc " + Narrow(f), r); }
  HResult OpenSyntaxDoc(const WideString& f, IUnknown** r) override { return Doc("OpenSyntaxDoc " + Narrow(f), r); }
  HResult OpenDataDoc(const WideString& f, IUnknown** r) override { return Doc("OpenDataDoc " + Narrow(f), r); }
  HResult OpenDraftDoc(const WideString& f, IUnknown** r) override { return Doc("OpenDraftDoc " + Narrow(f), r); }
  HResult NewOutputDoc(IUnknown** r) override { return Doc("NewOutputDoc", r); }
  HResult NewSyntaxDoc(IUnknown** r) override { return Doc("NewSyntaxDoc", r); }
  HResult NewDataDoc(IUnknown** r) override { return Doc("NewDataDoc", r); }
  HResult NewDraftDoc(IUnknown** r) override { return Doc("NewDraftDoc", r); }
  HResult GetDesignatedOutputDoc(IUnknown** r) override { return Doc("GetDesignatedOutputDoc", r); }
  HResult GetDesignatedSyntaxDoc(IUnknown** r) override { return Doc("GetDesignatedSyntaxDoc", r); }
  HResult GetDesignatedDraftDoc(IUnknown** r) override { return Doc("GetDesignatedDraftDoc", r); }
  HResult ExecuteCommands(const WideString& c, WordBool s) override {
    return Call("ExecuteCommands " + Narrow(c) + " " + std::to_string(s));
  }
  HResult ExecuteInclude(const WideString& f, WordBool s) override {
    return Call("ExecuteInclude " + Narrow(f) + " " + std::to_string(s));
  }
  HResult IsBusy(WordBool* r) override {
    *r = 0;
    return Call("IsBusy");
  }
  HResult Quit() override { return Call("Quit"); }
  HResult Interrupt() override { return Call("Interrupt"); }
  HResult SpssInfo(IUnknown** r) override { return Doc("SpssInfo", r); }
  HResult OpenDocument(const WideString& f, WordBool v, WordBool* r) override {
    *r = -1;
    return Call("OpenDocument " + Narrow(f) + " " + std::to_string(v));
  }
  HResult GetSPSSPath(WideString* r) override {
    *r = u"/opt/spss";
    return Call("GetSPSSPath");
  }
  HResult ScriptParameter(std::int32_t i, WideString* r) override {
    *r = u"p";
    return Call("ScriptParameter " + std::to_string(i));
  }
};

class Automation : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterClassObject(CLASS_SPSSApplication, [this] {
      ++created;
      app = new FakeApp(&calls);
      return ComPtr<IUnknown>(static_cast<ISpssApp*>(app));
    });
  }
  void TearDown() override { RevokeClassObject(CLASS_SPSSApplication); }
  std::vector<std::string> calls;
  FakeApp* app = nullptr;
  int created = 0;
};

}  // namespace

TEST(Guids, ParseAndPrint) {
  const TGUID g = TGUID::Parse("{56A66A20-F8D7-11CE-AF2E-0000C07ABC0D}");
  EXPECT_EQ(g.ToString(), "{56A66A20-F8D7-11CE-AF2E-0000C07ABC0D}");
  EXPECT_EQ(g, CLASS_SPSSApplication);
  EXPECT_THROW(TGUID::Parse("56A66A20-F8D7-11CE-AF2E-0000C07ABC0D"), EConvertError);
  EXPECT_THROW(TGUID::Parse("{56A66A20-F8D7-11CE-AF2E-0000C07ABC0Z}"), EConvertError);
}

TEST_F(Automation, EveryMethodForwardsOnceAndConnectsOnFirstUse) {
  TSPSSApplication client;
  EXPECT_EQ(client.ServerData().ClassID, CLASS_SPSSApplication);
  EXPECT_EQ(client.ServerData().IntfIID, IID_ISpssApp);
  EXPECT_EQ(client.ServerData().EventIID, TGUID{});
  EXPECT_EQ(client.ServerData().Version, 500);
  EXPECT_EQ(created, 0);
  EXPECT_TRUE(client.Get_Documents());
  EXPECT_EQ(created, 1);
  client.Get_Options();
  EXPECT_EQ(client.Get_CurrentDirectory(), u"/data");
  client.Set_CurrentDirectory(u"/tmp");
  EXPECT_EQ(client.Get_Alerts(), -1);
  client.Set_Alerts(0);
  EXPECT_EQ(client.Get_ToolbarVisible(u"main"), 0);
  client.Set_ToolbarVisible(u"main", -1);
  for (auto open : {&TSPSSApplication::OpenOutputDoc, &TSPSSApplication::OpenSyntaxDoc, &TSPSSApplication::OpenDataDoc,
                    &TSPSSApplication::OpenDraftDoc})
    EXPECT_TRUE((client.*open)(u"f"));
  for (auto make : {&TSPSSApplication::NewOutputDoc, &TSPSSApplication::NewSyntaxDoc, &TSPSSApplication::NewDataDoc,
                    &TSPSSApplication::NewDraftDoc, &TSPSSApplication::GetDesignatedOutputDoc,
                    &TSPSSApplication::GetDesignatedSyntaxDoc, &TSPSSApplication::GetDesignatedDraftDoc,
                    &TSPSSApplication::SpssInfo})
    EXPECT_TRUE((client.*make)());
  client.ExecuteCommands(u"FREQ x.", -1);
  client.ExecuteInclude(u"a.sps", 0);
  EXPECT_EQ(client.IsBusy(), 0);
  client.Interrupt();
  EXPECT_EQ(client.OpenDocument(u"d.sav", -1), -1);
  EXPECT_EQ(client.GetSPSSPath(), u"/opt/spss");
  EXPECT_EQ(client.ScriptParameter(3), u"p");
  client.Quit();
  EXPECT_EQ(created, 1);  // one connection served them all
  EXPECT_EQ(calls, (std::vector<std::string>{"Get_Documents",
                                             "Get_Options",
                                             "Get_CurrentDirectory",
                                             "Set_CurrentDirectory /tmp",
                                             "Get_Alerts",
                                             "Set_Alerts 0",
                                             "Get_ToolbarVisible main",
                                             "Set_ToolbarVisible main -1",
                                             "OpenOutputDoc f",
                                             "OpenSyntaxDoc f",
                                             "OpenDataDoc f",
                                             "OpenDraftDoc f",
                                             "NewOutputDoc",
                                             "NewSyntaxDoc",
                                             "NewDataDoc",
                                             "NewDraftDoc",
                                             "GetDesignatedOutputDoc",
                                             "GetDesignatedSyntaxDoc",
                                             "GetDesignatedDraftDoc",
                                             "SpssInfo",
                                             "ExecuteCommands FREQ x. -1",
                                             "ExecuteInclude a.sps 0",
                                             "IsBusy",
                                             "Interrupt",
                                             "OpenDocument d.sav -1",
                                             "GetSPSSPath",
                                             "ScriptParameter 3",
                                             "Quit"}));
}

TEST_F(Automation, FailuresRaiseWithTheirStatusAndAutoQuitQuits) {
  {
    TSPSSApplication client;
    client.Set_AutoQuit(true);
    client.Connect();
    app->status = E_FAIL;
    try {
      client.IsBusy();
      FAIL() << "no exception";
    } catch (const EOleSysError& e) {
      EXPECT_EQ(e.ErrorCode(), E_FAIL);
    }
    app->status = S_OK;
    calls.clear();
    client.Disconnect();
    EXPECT_EQ(calls, (std::vector<std::string>{"Quit"}));
    calls.clear();
    client.Disconnect();  // nothing held: nothing to quit
    EXPECT_TRUE(calls.empty());
  }
  TSPSSApplication quiet;
  quiet.Connect();
  calls.clear();
  quiet.Disconnect();
  EXPECT_TRUE(calls.empty());
  // Attaching to an interface held elsewhere.
  TSPSSApplication attached;
  attached.ConnectTo(CoSPSSApplication::Create());
  EXPECT_EQ(attached.GetSPSSPath(), u"/opt/spss");
}

TEST_F(Automation, MissingServersFailOnFirstUse) {
  TSPSS_CS_Application cs;  // nothing serves its class
  EXPECT_EQ(cs.ServerData().ClassID, CLASS_CS_Application);
  try {
    cs.Servers();
    FAIL() << "no exception";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode(), CLASS_E_NOTREGISTERED);
  }
  TSpssServer server;
  EXPECT_THROW(server.Get_Location(), EOleSysError);
  TSpssServers servers;
  EXPECT_THROW(servers.First(), EOleSysError);
  TSPSSApplication remote;
  remote.Set_ConnectKind(ckRemote);
  remote.Set_RemoteMachineName("stats.example");
  EXPECT_THROW(remote.Connect(), EOleSysError);
  EXPECT_THROW(CoSpssServer::CreateRemote("stats.example"), EOleSysError);
  // An object that lacks the interface is an interface-cast error.
  RegisterClassObject(CLASS_SpssServers, [] { return ComPtr<IUnknown>(new FakeDocument); });
  EXPECT_NO_THROW(CoSpssServers::Create());  // the fake document says yes to everything
  RevokeClassObject(CLASS_SpssServers);
  RegisterClassObject(CLASS_SpssServer,
                      [this] { return ComPtr<IUnknown>(static_cast<ISpssApp*>(new FakeApp(&calls))); });
  EXPECT_THROW(server.Connect(), EIntfCastError);
  RevokeClassObject(CLASS_SpssServer);
}
