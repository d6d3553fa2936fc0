// The subtitle thread: decodes the subtitle queue's packets into the subpicture queue.
#pragma once

#include <memory>

namespace qarvo {

struct TPlayerState;

class TSubtitleThread {
 public:
  static void Run(const std::shared_ptr<TPlayerState>& state);

 private:
  static void Loop(TPlayerState& state);
};

}  // namespace qarvo
