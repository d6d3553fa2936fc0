// The engine's run policy with scripted tasks: threaded and unthreaded runs, the end-of-run
// event, stop and pause, the operations refused while working, and where events arrive.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "base/EngineError.h"

#include "ConvertEngineSupport.h"
#include "support/TestMedia.h"
#include "support/TestMediaError.h"

namespace qarvo {
namespace {

namespace fs = std::filesystem;

class ConvertEngineRunTest : public testing::Test {
 protected:
  void SetUp() override {
    LoadMediaLibraries();
    TMainThread::SetMainThread();
    clip_ = EnsureClip("short3s");
    recorder_.Attach(engine_);
  }

  // Adds `count` tasks, each with one output in the temporary folder.
  void AddTasks(int count, bool withOutput = true) {
    for (int i = 0; i < count; ++i) {
      const int index = engine_.AddTask(clip_);
      ASSERT_EQ(index, engine_.TasksCount() - 1) << engine_.LastErrMsg();
      if (withOutput) {
        ASSERT_TRUE(engine_.SetOutputFile(index, Output(index))) << engine_.LastErrMsg();
      }
    }
  }
  std::string Output(int index) const {
    return folder_.File("out" + std::to_string(index) + ".avi");
  }

  std::vector<int> TerminatedIndices() {
    std::lock_guard lock(recorder_.Mutex);
    std::vector<int> indices;
    for (const auto& t : recorder_.Terminations) indices.push_back(t.Info.TaskIndex);
    return indices;
  }

  TScratchFolder folder_;
  std::string clip_;
  TScript script_;
  TEventRecorder recorder_;
  TScriptedEngine engine_{script_};
};

TEST_F(ConvertEngineRunTest, ProgressIntervalHasAFloorOf100) {
  EXPECT_EQ(engine_.ProgressInterval(), 500);
  engine_.SetProgressInterval(50);
  EXPECT_EQ(engine_.ProgressInterval(), 100);
  engine_.SetProgressInterval(100);
  EXPECT_EQ(engine_.ProgressInterval(), 100);
  engine_.SetProgressInterval(650);
  EXPECT_EQ(engine_.ProgressInterval(), 650);
  EXPECT_EQ(engine_.Version(), "3.3");
}

TEST_F(ConvertEngineRunTest, UnthreadedRunEndsEveryTaskInTheCallingThread) {
  AddTasks(3);
  engine_.StartTask(0);
  // Everything happened inside the call.
  ASSERT_EQ(TerminatedIndices(), (std::vector<int>{0, 1, 2, -1}));
  for (const auto& t : recorder_.Terminations) {
    EXPECT_EQ(t.Thread, std::this_thread::get_id());
    EXPECT_TRUE(t.Info.Finished);
    EXPECT_FALSE(t.Info.Exception);
  }
  EXPECT_TRUE(engine_.AllTerminated());
  EXPECT_TRUE(engine_.Working());
  EXPECT_EQ(script_.MostRunning, 1);
}

TEST_F(ConvertEngineRunTest, TwoThreadsRunFiveTasksTwoAtATime) {
  script_.Iterations = 10;
  script_.Step = std::chrono::milliseconds(5);
  AddTasks(5);
  engine_.StartTask(2);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  // The last termination and the end-of-run event may still be on their way.
  TMainThread::WaitPumping([&] { return TerminatedIndices().size() == 6; },
                           std::chrono::seconds(5));
  std::vector<int> indices = TerminatedIndices();
  ASSERT_EQ(indices.size(), 6u);
  EXPECT_EQ(std::count(indices.begin(), indices.end(), -1), 1);
  EXPECT_EQ(std::set<int>(indices.begin(), indices.end()), (std::set<int>{-1, 0, 1, 2, 3, 4}));
  EXPECT_EQ(script_.MostRunning, 2);
  // Workers are threads of their own, never the caller.
  std::lock_guard lock(script_.Mutex);
  for (const auto& id : script_.Threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(ConvertEngineRunTest, OperationsAreRefusedWhileWorkingUntilCleared) {
  AddTasks(1);
  script_.Iterations = 1000;
  engine_.StartTask(1);
  EXPECT_THROW(
      {
        try {
          engine_.AddTask(clip_);
        } catch (const EEngineError& e) {
          EXPECT_STREQ(e.what(), "Cannot AddTask while working.");
          throw;
        }
      },
      EEngineError);
  EXPECT_THROW(engine_.SetOutputFile(0, Output(9)), EEngineError);
  EXPECT_THROW(engine_.RemoveTask(0), EEngineError);
  EXPECT_THROW(engine_.StartTask(1), EEngineError);
  try {
    engine_.ClearTasks();
    ADD_FAILURE() << "ClearTasks during a run";
  } catch (const EEngineError& e) {
    EXPECT_STREQ(e.what(), "Cannot ClearTasks while working.");
  }
  engine_.Stop(true);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  // After the run: still working until the tasks are cleared.
  EXPECT_THROW(engine_.AddTask(clip_), EEngineError);
  engine_.ClearTasks();
  EXPECT_EQ(engine_.TasksCount(), 0);
  EXPECT_EQ(engine_.AddTask(clip_), 0) << engine_.LastErrMsg();
}

TEST_F(ConvertEngineRunTest, TwentyFirstOutputIsRefused) {
  AddTasks(1, false);
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(engine_.SetOutputFile(0, Output(i))) << i << ": " << engine_.LastErrMsg();
  EXPECT_FALSE(engine_.SetOutputFile(0, Output(20)));
  EXPECT_EQ(engine_.LastErrMsg(), "max output files 20 reached");
  EXPECT_FALSE(fs::exists(Output(20)));
}

TEST_F(ConvertEngineRunTest, TaskWithoutOutputEndsAtOnceWithTheReason) {
  AddTasks(1, false);
  // An output that cannot be opened leaves the task in the list without one.
  EXPECT_FALSE(engine_.SetOutputFile(0, folder_.File("missing/dir/out.avi")));
  EXPECT_FALSE(engine_.LastErrMsg().empty());
  ASSERT_EQ(engine_.TasksCount(), 1);
  engine_.StartTask(0);
  ASSERT_EQ(recorder_.Terminations.size(), 2u);
  const TTerminateInfo& info = recorder_.Terminations[0].Info;
  EXPECT_EQ(info.TaskIndex, 0);
  EXPECT_FALSE(info.Finished);
  EXPECT_TRUE(info.Exception);
  EXPECT_EQ(info.ExceptionMsg, "At least one output file must be specified");
  EXPECT_EQ(script_.Iterated.load(), 0);
}

TEST_F(ConvertEngineRunTest, StopBeforeStartEndsEveryTaskAndTheRun) {
  AddTasks(3);
  engine_.Stop(true);
  ASSERT_EQ(TerminatedIndices(), (std::vector<int>{0, 1, 2, -1}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(recorder_.Terminations[i].Info.Finished);
    EXPECT_FALSE(recorder_.Terminations[i].Info.Exception);
    // Outputs that never received a byte are not left behind.
    EXPECT_FALSE(fs::exists(Output(i)));
  }
  EXPECT_EQ(script_.Iterated.load(), 0);
  // Tasks that ended cannot run again, but a new run still ends.
  engine_.StartTask(1);
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return recorder_.EndOfRunCount() == 2; },
                                       std::chrono::seconds(5)));
  EXPECT_EQ(script_.Iterated.load(), 0);
}

TEST_F(ConvertEngineRunTest, PauseHoldsTheTaskAndStopEndsItWhilePaused) {
  script_.Iterations = 100000;
  script_.Step = std::chrono::milliseconds(1);
  AddTasks(1);
  engine_.SetTriggerEventInMainThread(false);
  engine_.StartTask(1);
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return script_.Iterated > 3; }, std::chrono::seconds(5)));
  engine_.Pause();
  // Once the iteration in progress has reached the gate, nothing may move.
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return engine_.PauseHeld(); }, std::chrono::seconds(5)));
  const int held = script_.Iterated;
  const int progress = recorder_.ProgressCount();
  // Held means nothing moves for a while: the time the gate holds is what is tested.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(script_.Iterated.load(), held);
  EXPECT_EQ(recorder_.ProgressCount(), progress);

  engine_.Stop(true);
  ASSERT_TRUE(recorder_.WaitRunEnded(std::chrono::seconds(5)));
  EXPECT_EQ(script_.Iterated.load(), held);
  std::lock_guard lock(recorder_.Mutex);
  EXPECT_FALSE(recorder_.Terminations[0].Info.Finished);
  EXPECT_FALSE(recorder_.Terminations[0].Info.Exception);
}

TEST_F(ConvertEngineRunTest, ResumeLetsAPausedTaskFinish) {
  script_.Iterations = 40;
  AddTasks(1);
  engine_.StartTask(1);
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return script_.Iterated > 1; }, std::chrono::seconds(5)));
  engine_.Pause();
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return engine_.PauseHeld(); }, std::chrono::seconds(5)));
  EXPECT_FALSE(recorder_.RunEnded());
  engine_.Resume();
  ASSERT_TRUE(recorder_.WaitRunEnded());
  EXPECT_EQ(script_.Iterated.load(), 40);
  EXPECT_TRUE(recorder_.Terminations[0].Info.Finished);
}

TEST_F(ConvertEngineRunTest, ProgressArrivesOnTheMainThreadWhenAsked) {
  script_.Iterations = 4;
  AddTasks(1);
  engine_.StartTask(1);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  ASSERT_EQ(recorder_.ProgressCount(), 4);
  for (const auto& id : recorder_.ProgressThreads) EXPECT_EQ(id, std::this_thread::get_id());
  EXPECT_EQ(recorder_.Progress[3].FrameCount, 3);
  EXPECT_EQ(recorder_.Progress[3].TaskIndex, 0);
  // Termination never waits for the main thread.
  EXPECT_NE(recorder_.Terminations[0].Thread, std::this_thread::get_id());
}

TEST_F(ConvertEngineRunTest, ProgressStaysOnTheWorkerWhenNotAsked) {
  script_.Iterations = 3;
  AddTasks(1);
  engine_.SetTriggerEventInMainThread(false);
  engine_.StartTask(1);
  // No pumping: the worker must not depend on the main thread.
  ASSERT_TRUE(recorder_.WaitRunEndedWithoutPumping());
  ASSERT_EQ(recorder_.ProgressCount(), 3);
  for (const auto& id : recorder_.ProgressThreads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(ConvertEngineRunTest, StopWithWaitKeepsMainThreadHandlersRunning) {
  script_.Iterations = 100000;
  script_.Step = std::chrono::milliseconds(1);
  AddTasks(2);
  engine_.StartTask(2);
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return recorder_.ProgressCount() > 4; },
                                       std::chrono::seconds(5)));
  // Workers are blocked in main-thread hand-overs while the main thread waits for them.
  engine_.Stop(true);
  ASSERT_TRUE(recorder_.WaitRunEnded(std::chrono::seconds(5)));
  EXPECT_EQ(recorder_.EndOfRunCount(), 1);
}

TEST_F(ConvertEngineRunTest, HandlersMayStopOrClearWithoutDeadlock) {
  script_.Iterations = 100000;
  script_.Step = std::chrono::milliseconds(1);
  AddTasks(2);
  // A main-thread progress handler stops with waiting while its worker waits for it.
  engine_.SetOnProgress([&](TConvertEngine& engine, PProgressInfo) { engine.Stop(true); });
  // The end-of-run handler, on a thread of its own, clears the finished run.
  std::atomic<bool> cleared{false};
  engine_.SetOnTerminate([&](TConvertEngine& engine, const TTerminateInfo& info) {
    if (info.TaskIndex != -1) return;
    engine.ClearTasks();
    cleared = true;
  });
  engine_.StartTask(2);
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return cleared.load(); }, std::chrono::seconds(10)));
  EXPECT_EQ(engine_.TasksCount(), 0);
  EXPECT_FALSE(engine_.Working());
  EXPECT_EQ(engine_.AddTask(clip_), 0) << engine_.LastErrMsg();
}

TEST_F(ConvertEngineRunTest, FailedTaskRemovesItsOutputAndTheRunGoesOn) {
  script_.OutputBytes = "partial output";
  AddTasks(2);
  script_.Fail = true;
  engine_.StartTask(0);
  ASSERT_EQ(TerminatedIndices(), (std::vector<int>{0, 1, -1}));
  EXPECT_TRUE(recorder_.Terminations[0].Info.Exception);
  EXPECT_EQ(recorder_.Terminations[0].Info.ExceptionMsg, "scripted failure");
  EXPECT_FALSE(fs::exists(Output(0)));
  EXPECT_FALSE(fs::exists(Output(1)));
}

TEST_F(ConvertEngineRunTest, StoppedTaskKeepsItsOutput) {
  script_.OutputBytes = "closed output";
  script_.Iterations = 100000;
  script_.Step = std::chrono::milliseconds(1);
  AddTasks(1);
  engine_.StartTask(1);
  ASSERT_TRUE(
      TMainThread::WaitPumping([&] { return script_.Iterated > 2; }, std::chrono::seconds(5)));
  engine_.Stop(true);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  EXPECT_TRUE(fs::exists(Output(0)));
  EXPECT_EQ(fs::file_size(Output(0)), script_.OutputBytes.size());
}

TEST_F(ConvertEngineRunTest, WorkerThreadsRunAtTheChosenPriority) {
  std::mutex mutex;
  std::vector<std::pair<int, int>> seen;  // policy, nice value
  script_.Iterations = 1;
  script_.EachIteration = [&](TTranscoder&, int) {
    std::lock_guard lock(mutex);
    seen.emplace_back(sched_getscheduler(0),
                      getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
  };
  AddTasks(2);
  engine_.SetThreadPriority(TThreadPriority::tpLower);
  engine_.StartTask(1);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  engine_.ClearTasks();
  AddTasks(1);
  engine_.SetThreadPriority(TThreadPriority::tpIdle);
  engine_.StartTask(1);
  ASSERT_TRUE(TMainThread::WaitPumping([&] { return recorder_.EndOfRunCount() == 2; },
                                       std::chrono::seconds(10)));
  // The second task's thread was made by the first task's (lower) worker and still gets its own.
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], std::make_pair(SCHED_OTHER, 10));
  EXPECT_EQ(seen[1], std::make_pair(SCHED_OTHER, 10));
  EXPECT_EQ(seen[2].first, SCHED_IDLE);
  // The caller's own priority is left alone.
  EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
}

TEST_F(ConvertEngineRunTest, TaskProbeDescribesTheOpenedInput) {
  AddTasks(1, false);
  TMediaProbe* probe = engine_.TaskProbe(0, 0);
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe->VideoStreamCount(), 1);
  EXPECT_EQ(engine_.TaskProbe(0, 1), nullptr);
  EXPECT_EQ(engine_.TaskProbe(3, 0), nullptr);
  EXPECT_EQ(engine_.AddTask(folder_.File("missing.avi")), -1);
  EXPECT_FALSE(engine_.LastErrMsg().empty());
  EXPECT_EQ(engine_.TasksCount(), 1);
}

int OpenDescriptors() {
  return static_cast<int>(
      std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// Tasks that open their files when they start: a queue of them holds no descriptor and
// creates no output; each running task has its own files only while it runs; an output that
// cannot be opened fails its task (with the reason) when its turn comes, and the rest finish.
TEST_F(ConvertEngineRunTest, TasksOpenedAtStartHoldNoFilesUntilTheirTurn) {
  script_.OutputBytes = "converted";
  constexpr int kTasks = 12;
  const int before = OpenDescriptors();
  for (int i = 0; i < kTasks; ++i) {
    TInputOptions input;
    const int index = engine_.AddTask(clip_, &input, true);
    ASSERT_EQ(index, i) << engine_.LastErrMsg();
    TOutputOptions output;
    const std::string name = i == 5 ? folder_.File("missing/out5.avi") : Output(i);
    ASSERT_TRUE(engine_.SetOutputFile(index, name, &output)) << engine_.LastErrMsg();
    EXPECT_EQ(output.FileName, name);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(engine_.TaskProbe(0, 0), nullptr);  // nothing opened yet
  for (int i = 0; i < kTasks; ++i) EXPECT_FALSE(fs::exists(Output(i))) << i;

  // Two tasks at once, each with its input and its output open, not the twelve tasks' files
  // (and the other task's count of them may hold one more for its listing).
  std::atomic<int> mostOpen{0};
  script_.EachIteration = [&](TTranscoder&, int) {
    const int open = OpenDescriptors() - before;
    int seen = mostOpen.load();
    while (open > seen && !mostOpen.compare_exchange_weak(seen, open)) {
    }
  };
  engine_.StartTask(2);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  EXPECT_LE(mostOpen.load(), 2 * 2 + 1);
  EXPECT_EQ(OpenDescriptors(), before);
  std::lock_guard lock(recorder_.Mutex);
  ASSERT_EQ(recorder_.Terminations.size(), static_cast<size_t>(kTasks + 1));
  for (const auto& t : recorder_.Terminations) {
    if (t.Info.TaskIndex < 0) continue;
    if (t.Info.TaskIndex == 5) {
      EXPECT_TRUE(t.Info.Exception);
      EXPECT_NE(t.Info.ExceptionMsg.find("missing/out5.avi"), std::string::npos)
          << t.Info.ExceptionMsg;
      continue;
    }
    EXPECT_TRUE(t.Info.Finished) << t.Info.TaskIndex << ": " << t.Info.ExceptionMsg;
    EXPECT_TRUE(fs::exists(Output(t.Info.TaskIndex))) << t.Info.TaskIndex;
  }
}

// A long queue of such tasks is their names and records only: no task object exists before a
// task's turn, and each is freed once it ended, so a run holds about as many as run at once.
TEST_F(ConvertEngineRunTest, QueuedTasksAreBuiltAtTheirTurnAndFreedAfterIt) {
  constexpr int kTasks = 40;
  for (int i = 0; i < kTasks; ++i) {
    TInputOptions input;
    ASSERT_EQ(engine_.AddTask(clip_, &input, true), i) << engine_.LastErrMsg();
    TOutputOptions output;
    ASSERT_TRUE(engine_.SetOutputFile(i, Output(i), &output)) << engine_.LastErrMsg();
  }
  EXPECT_EQ(script_.Alive.load(), 0);
  EXPECT_EQ(engine_.Task(0), nullptr);
  engine_.StartTask(2);
  ASSERT_TRUE(recorder_.WaitRunEnded());
  // The two running, and a few ended ones whose threads are joined as later ones start: a
  // handful, however long the queue.
  EXPECT_LE(script_.MostAlive.load(), 8);
  EXPECT_LE(script_.Alive.load(), 8);
  EXPECT_EQ(engine_.Task(0), nullptr);
  {
    std::lock_guard lock(recorder_.Mutex);
    ASSERT_EQ(recorder_.Terminations.size(), static_cast<size_t>(kTasks + 1));
    for (const auto& t : recorder_.Terminations) {
      if (t.Info.TaskIndex >= 0) {
        EXPECT_TRUE(t.Info.Finished) << t.Info.TaskIndex;
      }
    }
  }
  engine_.ClearTasks();
  EXPECT_EQ(script_.Alive.load(), 0);
  EXPECT_EQ(script_.Iterated.load(), kTasks * script_.Iterations);
}

// A stop before a queued task's turn ends it as a stop ends any task that never started,
// without building it; unthreaded runs free each task as it ends too.
TEST_F(ConvertEngineRunTest, QueuedTasksEndUnbuiltOnAStopAndOneByOneUnthreaded) {
  script_.OutputBytes = "converted";
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(engine_.AddTask(clip_, nullptr, true), i);
    ASSERT_TRUE(engine_.SetOutputFile(i, Output(i))) << engine_.LastErrMsg();
  }
  engine_.Stop(true);
  ASSERT_EQ(TerminatedIndices(), (std::vector<int>{0, 1, 2, -1}));
  for (int i = 0; i < 3; ++i) {
    const TTerminateInfo& info = recorder_.Terminations[i].Info;
    EXPECT_FALSE(info.Finished || info.Exception || info.Started) << i;
  }
  EXPECT_EQ(script_.MostAlive.load(), 0);
  engine_.ClearTasks();

  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(engine_.AddTask(clip_, nullptr, true), i);
    ASSERT_TRUE(engine_.SetOutputFile(i, Output(i))) << engine_.LastErrMsg();
  }
  engine_.StartTask(0);
  EXPECT_EQ(script_.MostAlive.load(), 1);
  EXPECT_EQ(script_.Alive.load(), 0);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(fs::exists(Output(i))) << i;
}

// A component used as a probe (Add's): its owner stops an input being opened, which then
// gives up at its next read, and the next open after the interrupt goes on normally.
TEST_F(ConvertEngineRunTest, AnInterruptedOpeningRefusesTheInputAsStopped) {
  engine_.InterruptOpening(true);
  EXPECT_EQ(engine_.AddTask(clip_), -1);
  EXPECT_EQ(engine_.LastErrMsg(), clip_ + ": stopped");
  engine_.InterruptOpening(false);
  EXPECT_EQ(engine_.AddTask(clip_), 0) << engine_.LastErrMsg();
}

}  // namespace
}  // namespace qarvo
