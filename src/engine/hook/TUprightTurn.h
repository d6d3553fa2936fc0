// Turns a stream's decoded pictures upright by its display turn, before anything else sees
// them: the job's hook, crops and positions are all measured on the picture a viewer sees.
#pragma once

#include <memory>

#include "media/LibraryObjects.h"

namespace qarvo {

class TVideoFilterGraph;

class TUprightTurn {
 public:
  // rotation: clockwise degrees, 0, 90, 180 or 270 (anything else turns nothing).
  explicit TUprightTurn(int rotation);
  ~TUprightTurn();
  TUprightTurn(const TUprightTurn&) = delete;
  TUprightTurn& operator=(const TUprightTurn&) = delete;

  bool Turns() const { return rotation_ != 0; }
  // Replaces the picture by its upright copy (properties kept, the pixel shape turned with
  // it). Raises EEngineError when the turn cannot be built.
  void Apply(AVFrame& picture);

 private:
  int rotation_;
  std::unique_ptr<TVideoFilterGraph> graph_;
  int width_ = 0, height_ = 0, format_ = -1;
  TFramePtr turned_;
};

}  // namespace qarvo
