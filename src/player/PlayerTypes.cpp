#include "player/PlayerTypes.h"

namespace qarvo {

const char* PlayStateName(TPlayState state) {
  switch (state) {
    case TPlayState::psPlay:
      return "psPlay";
    case TPlayState::psPause:
      return "psPause";
    case TPlayState::psResume:
      return "psResume";
    case TPlayState::psStep:
      return "psStep";
    case TPlayState::psStop:
      return "psStop";
    case TPlayState::psEnd:
      return "psEnd";
  }
  return "?";
}

const char* AudioDriverName(TAudioDriver driver) {
  switch (driver) {
    case TAudioDriver::adDirectSound:
      return "pulseaudio";
    case TAudioDriver::adWaveOut:
      return "alsa";
    case TAudioDriver::adDefault:
      break;
  }
  return nullptr;
}

const char* VideoDriverName(TVideoDriver driver) {
  switch (driver) {
    case TVideoDriver::vdDirectDraw:
      return "wayland";
    case TVideoDriver::vdGDI:
      return "x11";
    case TVideoDriver::vdDefault:
      break;
  }
  return nullptr;
}

}  // namespace qarvo
