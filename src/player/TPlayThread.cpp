#include "player/TPlayThread.h"

#include <exception>
#include <string>

#include "media/EngineLogger.h"
#include "player/TPlayerEngine.h"

namespace qarvo {

TPlayThread::TPlayThread(std::shared_ptr<TPlayerEngine> engine, TManualEvent& running,
                         TReport report)
    : engine_(std::move(engine)), running_(running), report_(std::move(report)) {
  running_.Reset();
  thread_ = std::thread([this] { Execute(); });
}

TPlayThread::~TPlayThread() { Join(); }

void TPlayThread::Quit() { engine_->PostQuit(); }

void TPlayThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void TPlayThread::Execute() {
  std::string failure;
  try {
    engine_->RunEventLoop();
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "unknown exception";
  }
  if (!failure.empty()) {
    TEngineLogger::GetLogger().Log(this, TLogLevel::llFatal, "PlayThread Exception: " + failure);
    try {
      engine_->Close();
    } catch (...) {
      // Already failing; the state is left for the engine's destructor.
    }
  }
  report_(TPlayState::psStop);
  finished_ = true;
  running_.Set();  // last: a waiting stop may free everything once it sees this
}

}  // namespace qarvo
