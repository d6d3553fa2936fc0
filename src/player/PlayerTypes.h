// Types the player shares with the application: states, drivers and event signatures.
#pragma once

#include <cstdint>
#include <functional>

namespace qarvo {

class TCustomPlayer;
class TBitmap;

enum class TPlayState { psPlay, psPause, psResume, psStep, psStop, psEnd };
enum class TAudioDriver { adDefault, adDirectSound, adWaveOut };
enum class TVideoDriver { vdDefault, vdDirectDraw, vdGDI };
using TAudioVolume = int;  // 0..128, 128 = unchanged
constexpr TAudioVolume kMaxAudioVolume = 128;

// Seek flags; only the low four bits count.
constexpr int kSeekBackward = 1;
constexpr int kSeekByte = 2;
constexpr int kSeekAny = 4;
constexpr int kSeekFrame = 8;

// Times are microseconds relative to the file's start time.
using TFileOpenEvent = std::function<void(TCustomPlayer& sender, int64_t duration, int frameWidth,
                                          int frameHeight, int& screenWidth, int& screenHeight)>;
using THookEvent = std::function<void(TCustomPlayer& sender, TBitmap& bitmap, int64_t pts)>;
using TPlayStateEvent = std::function<void(TCustomPlayer& sender, TPlayState state)>;
using TPositionEvent = std::function<void(TCustomPlayer& sender, int64_t pts)>;

const char* PlayStateName(TPlayState state);

// The SDL driver each setting asks for on Linux, through SDL_AUDIODRIVER / SDL_VIDEODRIVER;
// null for the defaults, which leave the environment as it is (so a caller or a test can pick
// "disk", "dummy" or "offscreen" itself):
//   adDirectSound -> "pulseaudio" (the desktop's mixing sound server; PipeWire serves it too)
//   adWaveOut     -> "alsa"       (the plain sound device)
//   vdDirectDraw  -> "wayland"    (the compositor's accelerated path)
//   vdGDI         -> "x11"        (the classic window system)
const char* AudioDriverName(TAudioDriver driver);
const char* VideoDriverName(TVideoDriver driver);

}  // namespace qarvo
