// The program's start: every module it needs, in its order, and threads'
// calls reaching the main thread through the message loop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "app/Startup.h"
#include "catalog/FindFile.h"
#include "catalog/TableList.h"
#include "catalog/VolumeInformation.h"
#include "memtable/BinaryStreamFormat.h"
#include "memtable/CsvStreamFormat.h"
#include "memtable/MemTable.h"
#include "platform/controls/Application.h"
#include "platform/controls/Screen.h"
#include "platform/display/NullDisplay.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/rtl/Thread.h"
#include "platform/win/Message.h"
#include "ui/PickButton.h"
#include "ui/Placemnt.h"
#include "ui/ZxCursors.h"
#include "ui/ZxHook.h"
#include "ui/slDBTree.h"
#include "ui/zAPIBalloon.h"

namespace {

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() { InitializeModules(ZorvetModules()); }
  ~StartupTest() override { FinalizeModules(); }
  TNullDisplay display_;
};

TEST(StartupOrderTest, TheControlLayerStartsFirstAndThePropertiesLast) {
  std::vector<String> names;
  for (const TModuleInit& m : ZorvetModules()) names.push_back(m.Name);
  const std::vector<String> expected{"Controls",   "DateUtil",    "ZxCursors",
                                     "ZxHook",     "Placemnt",    "slTree",
                                     "PickButton", "zAPIBalloon", "Published properties"};
  EXPECT_EQ(names, expected);
}

TEST_F(StartupTest, EveryModuleTheProgramNeedsIsStarted) {
  ASSERT_NE(Application, nullptr);
  ASSERT_NE(Screen, nullptr);
  // The extra cursors and the tree's copy cursor are registered.
  for (TCursor cursor : {crZxHand, crZxDrag, crSLTreeDragCopy})
    EXPECT_NE(Screen->Cursors(cursor), Screen->Cursors(crDefault)) << cursor;

  // Every component the forms store publishes its properties.
  TComponent owner(nullptr);
  const struct {
    std::function<TObject*()> make;
    const char* property;
  } published[] = {
      {[&] { return new TvomMemTable(&owner); }, "DesignActivation"},
      {[&] { return new TvomCSVStreamFormat(&owner); }, "CSVQuote"},
      {[&] { return new TvomBinaryStreamFormat(&owner); }, "BufferSize"},
      {[&] { return new TLList(&owner); }, "Items"},
      {[&] { return new TFindFile(&owner); }, "Recurse"},
      {[&] { return new TVolumeInformation(&owner); }, "Drive"},
      {[&] { return new TslDBTreeView(&owner); }, "KeyField"},
      {[&] { return new TFormStorage(&owner); }, "StoredProps"},
      {[&] { return new TPickEdit(&owner); }, "ButtonsIn"},
      {[&] { return new TzAPIBalloon(&owner); }, "TimeOut"},
      {[&] { return new TZxWindowHook(&owner); }, "Active"},
  };
  for (const auto& p : published) {
    TObject* object = p.make();
    EXPECT_NE(GetPropInfo(object, p.property), nullptr) << p.property;
  }
}

TEST_F(StartupTest, AThreadsCallRunsWhenTheLoopGoesIdle) {
  WireSynchronize();
  std::atomic<bool> ran{false};
  std::thread worker([&] { TThread::Synchronize([&] { ran = true; }); });
  // The call wakes the loop with a message; the loop's idle step runs it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  MSG msg;
  while (!ran && std::chrono::steady_clock::now() < deadline) {
    if (PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      Application->ProcessMessages();
      Application->DoIdle();
    }
    std::this_thread::yield();
  }
  const bool ranInLoop = ran;
  // A failure must not leave the worker waiting for ever.
  if (!ran) CheckSynchronize();
  worker.join();
  UnwireSynchronize();
  EXPECT_TRUE(ranInLoop);
}

}  // namespace
