// The search for the client: switches, homes, candidates, versions and the log.
#include <gtest/gtest.h>

#include "OracleTestSupport.h"

using namespace OracleCI;

namespace {

struct SwitchCase {
  std::vector<String> parameters;
  String expected;
};

class CommandLineSwitch : public OracleWorld, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(CommandLineSwitch, MatchesOnlyAtTheStartOfAParameter) {
  SetCommandLine(GetParam().parameters);
  EXPECT_EQ(ReadCommandLineValue("OCIDLL"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineSwitch,
    ::testing::Values(SwitchCase{{"OCIDLL=/opt/oci.so"}, "/opt/oci.so"},
                      SwitchCase{{"ocidll=C:\\x.dll"}, "C:\\x.dll"},
                      SwitchCase{{"XOCIDLL=a"}, ""},  // contained, not at the start
                      SwitchCase{{"OCIDLLX=a"}, ""}, SwitchCase{{"OCIDLL"}, ""},
                      SwitchCase{{"-v", "OCIDLL=first", "OCIDLL=second"}, "first"},
                      SwitchCase{{"OCIDLL==x"}, "=x"},
                      SwitchCase{{"OCIDLL=" + String(300, 'p')}, String(255, 'p')}));

TEST_F(OracleWorld, AForcedLibraryIsUsedWithoutLookingAnywhereElse) {
  Place("standin_client", Native("lib/libclntsh.so"));
  AddHome(0, "Other", "C:\\other");  // never consulted
  SetHomeCounter("1");
  SetCommandLine({"OCIDLL=" + Native("lib/libclntsh.so")});
  EXPECT_EQ(InitOciError(), "");
  EXPECT_EQ(OCILoadLog, "OCIDLL forced to " + Native("lib/libclntsh.so"));
  EXPECT_EQ(OracleHomeKey, "");
  EXPECT_TRUE(OciLoaded());
}

TEST_F(OracleWorld, WithoutAHomeListTheOracleKeyItselfIsTheHome) {
  SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE", "ORACLE_HOME", "C:\\ora");
  Place("standin_client", Native("c/ora/bin/oci.dll"));
  Place("standin_client", Native("c/ora/bin/ora73.dll"));
  EXPECT_EQ(InitOciError(), "");
  EXPECT_EQ(OCILoadLog,
            "OracleHomeKey: SOFTWARE\\ORACLE\r\nOracleHomeDir: C:\\ora\r\nFound: oci.dll\r\n"
            "Found: ora73.dll\r\nUsing: C:\\ora\\bin\\oci.dll");
  EXPECT_EQ(OCIDLL, "C:\\ora\\bin\\oci.dll");
}

TEST_F(OracleWorld, RegistryStringsLoseOnlyTheirTerminatingNull) {
  SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE", "A", "C:\\ora");
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE", 0, KEY_ALL_ACCESS, &key),
            LONG(ERROR_SUCCESS));
  ASSERT_EQ(RegSetValueExA(key, "B", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\ora"), 6),
            LONG(ERROR_SUCCESS));  // written without its null
  RegCloseKey(key);
  String value;
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE", "A", value),
            LONG(ERROR_SUCCESS));
  EXPECT_EQ(value, "C:\\ora");
  ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE", "B", value);
  EXPECT_EQ(value, "C:\\ora");
  EXPECT_EQ(ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\NONE", "A", value),
            LONG(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(value, "");
}

TEST(OracleUnit, LoadingBeforeTheUnitStartRaises) {
  ASSERT_EQ(GlobalOracleLock, nullptr);
  EXPECT_THROW(InitOci(), Exception);
}

TEST_F(OracleWorld, TheHomeWhoseBinStandsEarliestInPathWins) {
  AddHome(0, "Alpha", Native("alpha"));
  AddHome(1, "Beta", Native("beta"));
  AddHome(2, "Gamma", Native("gamma"));  // not in PATH
  SetHomeCounter("3");
  env_.Set("PATH", ("/usr/bin:" + Native("beta/bin") + ":" + Native("alpha/bin")).c_str());
  String key;
  FindOracleHomeKey(key);
  EXPECT_EQ(key, "SOFTWARE\\ORACLE\\HOME1");
  EXPECT_EQ(OracleHomeName, "Beta");
  // The name the search filled goes with the unload; the key is computed again.
  UnloadOci();
  EXPECT_EQ(OracleHomeName, "");
  EXPECT_EQ(OracleHomeKey, "");

  // The switch picks a home by name in any case, whatever PATH says.
  SetCommandLine({"oraclehome=gamma"});
  FindOracleHomeKey(key);
  EXPECT_EQ(key, "SOFTWARE\\ORACLE\\HOME2");
  UnloadOci();
  // So does a name the program set, which survives the unload.
  SetCommandLine(std::vector<String>{});
  OracleHomeName = "Alpha";
  FindOracleHomeKey(key);
  EXPECT_EQ(key, "SOFTWARE\\ORACLE\\HOME0");
  UnloadOci();
  EXPECT_EQ(OracleHomeName, "Alpha");
}

TEST_F(OracleWorld, WithNoHomeInPathTheLastByNameIsTaken) {
  AddHome(0, "Zulu", Native("z"));
  AddHome(1, "alpha", Native("a"));
  SetHomeCounter("2");
  String key;
  FindOracleHomeKey(key);
  EXPECT_EQ(key, "SOFTWARE\\ORACLE\\HOME0");
  ASSERT_NE(HomeNames(), nullptr);
  EXPECT_EQ(HomeNames()->Text(), "alpha\nZulu\n");
  // A home counter that is no number lists no homes.
  UnloadOci();
  SetHomeCounter("two");
  ListOracleHomes();
  EXPECT_EQ(HomeNames()->Count(), 0);
}

TEST_F(OracleWorld, VersionsOfClientFileNames) {
  const std::vector<std::pair<String, double>> parsed = {{"ora73.dll", 0.73}, {"ORA805.DLL", 0.805},
                                                         {"oraNT8.dll", 0.8}, {"orant8i.dll", -1},
                                                         {"oramts.dll", -1},  {"ora.dll", 0.0}};
  for (const auto& [name, expected] : parsed) {
    double version = -1;
    const bool ok = OciLibraryVersion(name, version);
    EXPECT_EQ(ok, expected >= 0) << name;
    if (ok) {
      EXPECT_DOUBLE_EQ(version, expected) << name;
    }
  }
}

// The bin folder of one home, with the files the test asks for.
class CandidateChoice : public OracleWorld {
 protected:
  void SetUp() override {
    OracleWorld::SetUp();
    AddHome(0, "Home", "C:\\h");
    SetHomeCounter("1");
  }
  void Give(const String& file) { Place("standin_client", Native("c/h/bin/" + file)); }
  Integer Choose() {
    OCILoadLog.clear();
    const Integer result = ChooseOciLibrary();
    return result;
  }
};

TEST_F(CandidateChoice, OciDllFirstThenTheHighestVersion) {
  Give("ora73.dll");
  Give("ora805.dll");
  Give("oramts.dll");
  Give("oraNT8.dll");
  EXPECT_EQ(Choose(), 0);
  EXPECT_EQ(OCIDLL, "C:\\h\\bin\\ora805.dll");
  UnloadOci();
  EXPECT_EQ(OCIDLL, "");  // chosen by the search, so forgotten
  Give("oci.dll");
  EXPECT_EQ(Choose(), 0);
  EXPECT_EQ(OCIDLL, "C:\\h\\bin\\oci.dll");
}

TEST_F(CandidateChoice, OfEqualVersionsTheLaterWins) {
  Give("ora8.dll");
  Give("ora80.dll");
  EXPECT_EQ(Choose(), 0);
  EXPECT_EQ(OCIDLL, "C:\\h\\bin\\ora80.dll");
}

TEST_F(CandidateChoice, TheExclusionListHasASecondPass) {
  Give("oci.dll");
  Give("ora73.dll");
  OCIDLLExclude = "\"oci.dll\"";
  EXPECT_EQ(Choose(), 0);
  EXPECT_EQ(OCIDLL, "C:\\h\\bin\\ora73.dll");
  EXPECT_EQ(OCIDLLExclude, "\"OCI.DLL\"");
  UnloadOci();
  OCIDLLExclude = "\"OCI.DLL\"\"ORA73.DLL\"";
  EXPECT_EQ(Choose(), 0);
  EXPECT_EQ(OCIDLL, "C:\\h\\bin\\oci.dll");
}

TEST_F(CandidateChoice, AnEmptyBinFolderChoosesNothing) {
  std::filesystem::create_directories(Native("c/h/bin"));
  EXPECT_EQ(Choose(), 1);
  EXPECT_EQ(InitOciError(),
            "Initialization error\r\nCould not locate OCI dll\r\n\r\nOracleHomeKey: "
            "SOFTWARE\\ORACLE\\HOME0\r\nOracleHomeDir: C:\\h");
}

TEST_F(OracleWorld, NoOracleHomeAnywhere) {
  EXPECT_EQ(ChooseOciLibrary(), 3);
  EXPECT_EQ(InitOciError(),
            "Initialization error\r\nSQL*Net not properly installed\r\n\r\n"
            "OracleHomeKey: SOFTWARE\\ORACLE\r\nOracleHomeDir: ");
}

TEST_F(OracleWorld, AHomeInANativeFolderIsSearchedWithSlashes) {
  AddHome(0, "Home", Native("native"));
  SetHomeCounter("1");
  env_.Set("PATH", (Native("native/bin") + ":/usr/bin").c_str());
  Place("standin_client", Native("native/bin/ora920.dll"));
  EXPECT_EQ(InitOciError(), "");
  EXPECT_EQ(OCIDLL, Native("native/bin/ora920.dll"));
}

}  // namespace
