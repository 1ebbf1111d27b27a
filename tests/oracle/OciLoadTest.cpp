// Loading, binding, the generation flags, the messages of InitOci, unloading,
// the MTS library and the current folder.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "OracleTestSupport.h"

using namespace OracleCI;

namespace {

struct Generations {
  const char* variant;
  bool oci7, olog, opinit, oci8, ociep, oci81;
};

class GenerationFlags : public OracleWorld, public ::testing::WithParamInterface<Generations> {};

TEST_P(GenerationFlags, FollowTheEntriesTheClientExports) {
  const Generations& g = GetParam();
  Place(g.variant, Native("lib/client.so"));
  OCIDLL = Native("lib/client.so");
  ASSERT_EQ(InitOciError(), "");
  EXPECT_EQ(bool(OCI7Present), g.oci7);
  EXPECT_EQ(bool(OLogPresent), g.olog);
  EXPECT_EQ(bool(OpinitPresent), g.opinit);
  EXPECT_EQ(bool(OCI8Present), g.oci8);
  EXPECT_EQ(bool(OCI8Usable), g.oci8);
  EXPECT_EQ(bool(OCIEPPresent), g.ociep);
  EXPECT_EQ(bool(OCI81Present), g.oci81);
  EXPECT_EQ(bool(orlon), g.oci7);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, GenerationFlags,
    ::testing::Values(
        Generations{"standin_client", true, true, true, true, true, true},
        Generations{"standin_client_no_oci7", false, false, false, true, true, true},
        Generations{"standin_client_no_oci8", true, true, true, false, false, false},
        Generations{"standin_client_no_oci81", true, true, true, true, true, false},
        Generations{"standin_client_no_olog", true, false, false, true, true, true},
        Generations{"standin_client_no_opinit", true, true, false, true, true, true},
        Generations{"standin_client_no_ociepmsg", true, true, true, true, false, true},
        Generations{"standin_client_no_lobtrim", true, true, true, false, false, false},
        // One name short of the older generation: the client runs the handle generation.
        Generations{"standin_client_no_orlon", false, false, false, true, true, true}),
    [](const auto& info) { return String(info.param.variant); });

TEST_F(OracleWorld, AGroupStopsLookingAtItsFirstMissingName) {
  Place("standin_client_no_lobtrim", Native("lib/client.so"));
  OCIDLL = Native("lib/client.so");
  ASSERT_EQ(LoadOci(), 0);  // the older generation carries it
  EXPECT_TRUE(OCILobRead);
  EXPECT_FALSE(OCILobTrim);
  EXPECT_FALSE(OCILobWrite);   // exported, but after the missing name
  EXPECT_FALSE(OCIEnvCreate);  // the 8.1 group needs the 8 group
  EXPECT_TRUE(orlon);
  EXPECT_THROW(
      OCILobWrite(nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 0, nullptr, nullptr, 0, 0),
      Exception);
}

TEST_F(OracleWorld, TheFourMessagesOfInitOci) {
  // Could not load: the file is not there, or is no library.
  OCIDLL = Native("lib/missing.so");
  const String missing = InitOciError();
  EXPECT_TRUE(missing.starts_with("Initialization error\r\nCould not load \"" +
                                  Native("lib/missing.so") + "\"\r\n\r\nOCIDLL forced to "))
      << missing;
  EXPECT_EQ(OCIDLL, Native("lib/missing.so"));  // the program's own value stays
  Touch(Native("lib/text.so"));
  OCIDLL = Native("lib/text.so");
  EXPECT_NE(InitOciError().find("Could not load \"" + Native("lib/text.so") + "\""), String::npos);
  EXPECT_NE(OCILoadLog.find("LoadLibrary(" + Native("lib/text.so") + ") returned 11"), String::npos)
      << OCILoadLog;
  // Could not initialize: no generation usable.
  Place("standin_client_no_oci7", Native("lib/oci8only.so"));
  OCIDLL = Native("lib/oci8only.so");
  ForceOCI7.Set(true);
  EXPECT_EQ(InitOciError(), "Initialization error\r\nCould not initialize \"" +
                                Native("lib/oci8only.so") + "\"\r\n\r\nOCIDLL forced to " +
                                Native("lib/oci8only.so"));
  EXPECT_FALSE(OciLoaded());
  EXPECT_FALSE(OCI8Present);
  // With ForceOCI7 off the same client loads in the handle generation.
  ForceOCI7.Set(false);
  EXPECT_EQ(InitOciError(), "");
  EXPECT_TRUE(OCI8Usable);
  EXPECT_FALSE(OCI7Present);
}

TEST_F(OracleWorld, ForceOCI7KeepsACompleteClientOnTheOlderGeneration) {
  Place("standin_client", Native("lib/client.so"));
  OCIDLL = Native("lib/client.so");
  ForceOCI7.Set(true);
  ASSERT_EQ(InitOciError(), "");
  EXPECT_TRUE(OCI8Present);
  EXPECT_FALSE(OCI8Usable);
  EXPECT_TRUE(OCI7Present);
}

TEST_F(OracleWorld, UnloadingKeepsWhatTheProgramSet) {
  Place("standin_client", Native("lib/client.so"));
  OCIDLL = Native("lib/client.so");
  OracleHomeName = "Mine";
  OraMtsDll = Native("lib/mts.so");
  ASSERT_EQ(InitOciError(), "");
  UnloadOci();
  EXPECT_FALSE(OciLoaded());
  EXPECT_FALSE(OCI7Present);
  EXPECT_FALSE(OCIErrorGet);
  EXPECT_EQ(OCIDLL, Native("lib/client.so"));
  EXPECT_EQ(OracleHomeName, "Mine");
  EXPECT_EQ(OraMtsDll, "");       // derived again at the next MTS load
  EXPECT_EQ(InitOciError(), "");  // and a fresh load works
  EXPECT_TRUE(OCI81Present);
}

TEST_F(OracleWorld, TheShellAnswersNotConnectedThroughTheBoundEntries) {
  Place("standin_client", Native("lib/client.so"));
  OCIDLL = Native("lib/client.so");
  ASSERT_EQ(InitOciError(), "");
  Lda_Def lda{};
  EXPECT_EQ(orlon(&lda, nullptr, nullptr, -1, nullptr, -1, 0), 3114);
  Word rc;
  std::memcpy(&rc, reinterpret_cast<const Byte*>(&lda) + 12, 2);  // the published offset
  EXPECT_EQ(rc, 3114);
  OraText text[64];
  oerhms(&lda, 3114, text, sizeof text);
  EXPECT_STREQ(reinterpret_cast<char*>(text), "ORA-03114: not connected to ORACLE");
  EXPECT_EQ(OCIServerAttach(nullptr, nullptr, nullptr, 0, 0), OCI_ERROR);
  sb4 code = 0;
  EXPECT_EQ(OCIErrorGet(nullptr, 1, nullptr, &code, text, sizeof text, OCI_HTYPE_ERROR),
            OCI_SUCCESS);
  EXPECT_EQ(code, 3114);
}

class MtsLibrary : public OracleWorld {
 protected:
  void SetUp() override {
    OracleWorld::SetUp();
    Place("standin_client", Native("lib/client.so"));
    OCIDLL = Native("lib/client.so");
  }
  static String InitMtsError() {
    try {
      InitMts();
      return String();
    } catch (const Exception& e) {
      return e.Message();
    }
  }
};

TEST_F(MtsLibrary, LoadsBesideTheClient) {
  Place("standin_mts", Native("lib/oramts.dll"));
  EXPECT_EQ(InitMtsError(), "");
  EXPECT_TRUE(MTSPresent);
  EXPECT_TRUE(MtsLoaded());
  EXPECT_TRUE(OciLoaded());
  EXPECT_EQ(OraMtsDll, Native("lib/oramts.dll"));
  EXPECT_EQ(OraMTSSvcRel(nullptr), 4006u);
}

TEST_F(MtsLibrary, ItsThreeMessages) {
  const String path = Native("lib/oramts.dll");
  EXPECT_EQ(InitMtsError(), "Initialization error\r\nCould not locate \"" + path + "\"");
  Touch(path);
  EXPECT_EQ(InitMtsError(), "Initialization error\r\nCould not load \"" + path + "\"");
  std::filesystem::remove(path);
  Place("standin_mts_no_transtest", path);
  EXPECT_EQ(InitMtsError(), "Initialization error\r\nCould not initialize \"" + path + "\"");
  EXPECT_EQ(OraMtsDll, "");
  EXPECT_FALSE(MtsLoaded());
  EXPECT_FALSE(OraMTSSvcGet);
}

class CurrentFolder : public OracleWorld {};

TEST_F(CurrentFolder, ALoadThatSucceedsAtOnceLeavesItAlone) {
  Place("standin_client", Native("lib/client.so"));
  OCIDLL = Native("lib/client.so");
  ASSERT_EQ(InitOciError(), "");
  EXPECT_EQ(GetCurrentDir(), Native("work"));
}

TEST_F(CurrentFolder, TheSecondAttemptRunsInTheLibrarysFolderUntilRestored) {
  // "lib\client.so" is not beside the current folder, but is inside the
  // folder the second attempt moves to.
  std::filesystem::create_directories(Native("work/lib"));
  Place("standin_client", Native("work/lib/lib/client.so"));
  OCIDLL = "lib\\client.so";
  ASSERT_EQ(InitOciError(), "");
  EXPECT_EQ(GetCurrentDir(), Native("work/lib"));
  RestoreCurrentDir();
  EXPECT_EQ(GetCurrentDir(), Native("work"));
}

TEST_F(CurrentFolder, AFailedLoadPutsItBack) {
  std::filesystem::create_directories(Native("lib"));
  OCIDLL = Native("lib/missing.so");
  EXPECT_NE(InitOciError(), "");
  EXPECT_EQ(GetCurrentDir(), Native("work"));
  // A second failure goes back to the same folder, not to the library's.
  EXPECT_NE(InitOciError(), "");
  EXPECT_EQ(GetCurrentDir(), Native("work"));
  // The same when the search chose the library, which the unload forgets.
  OCIDLL.clear();
  AddHome(0, "Home", Native("home"));
  SetHomeCounter("1");
  Touch(Native("home/bin/oci.dll"));
  EXPECT_NE(InitOciError().find("Could not load"), String::npos);
  EXPECT_EQ(OCIDLL, "");
  EXPECT_EQ(GetCurrentDir(), Native("work"));
}

TEST_F(CurrentFolder, AFolderChangedMeanwhileIsNotTakenBack) {
  std::filesystem::create_directories(Native("lib"));
  std::filesystem::create_directories(Native("elsewhere"));
  OCIDLL = Native("lib/missing.so");
  EXPECT_EQ(LoadOci(), 1);
  EXPECT_EQ(GetCurrentDir(), Native("lib"));
  ASSERT_TRUE(SetCurrentDir(Native("elsewhere")));
  RestoreCurrentDir();
  EXPECT_EQ(GetCurrentDir(), Native("elsewhere"));
}

TEST(OracleCriticalSection, ALeaveByAnotherThreadReleasesNothing) {
  TOracleCriticalSection section;
  section.Enter();
  section.Enter();
  const auto other_can_enter = [&section] {
    bool entered = false;
    std::thread([&] {
      section.Leave();  // not held here: nothing happens
      entered = section.TryEnter();
      if (entered) section.Leave();
    }).join();
    return entered;
  };
  EXPECT_FALSE(other_can_enter());
  EXPECT_TRUE(section.HeldByCurrentThread());
  section.Leave();
  EXPECT_FALSE(other_can_enter());  // still entered once
  section.Leave();
  EXPECT_TRUE(other_can_enter());
  section.Leave();  // unmatched: harmless
  EXPECT_FALSE(section.HeldByCurrentThread());
  EXPECT_TRUE(other_can_enter());
}

TEST_F(OracleWorld, ThreadsThatInitialiseAtOnceLoadOnceAndSeeTheEntries) {
  Place("standin_client", Native("lib/client.so"));
  OCIDLL = Native("lib/client.so");
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  std::vector<int> seen(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      ++ready;
      while (ready < 4) {
      }
      InitOci();
      seen[t] = OCI8Usable && OCIErrorGet && OCIEnvCreate ? 1 : 0;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 1, 1}));
  EXPECT_EQ(OCILoadLog, "OCIDLL forced to " + Native("lib/client.so"));
}

}  // namespace
