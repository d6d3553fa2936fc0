#include "player/PlayerTypes.h"

namespace qarvo {

const char* PlayStateName(TPlayState state) {
  switch (state) {
    case TPlayState::psPlay: return "psPlay";
    case TPlayState::psPause: return "psPause";
    case TPlayState::psResume: return "psResume";
    case TPlayState::psStep: return "psStep";
    case TPlayState::psStop: return "psStop";
    case TPlayState::psEnd: return "psEnd";
  }
  return "?";
}

}  // namespace qarvo
