// Test media: deterministic clips with known content, made through the engine's library table.
//
// Every picture carries its frame number (ReadFrameNumber) and the sound is a tone with an
// optional click at every whole second (FindClicks), so a test can check what came out of a
// conversion or a player, not only that something did.
#pragma once

#include <string>
#include <vector>

#include "media/LibraryApi.h"

#include "support/TestPicture.h"
#include "support/TestTone.h"

namespace qarvo {

struct TClipSpec {
  std::string Container = "avi";     // muxer short name ("avi", "mp4", "matroska", "mpeg"...)
  std::string Extension = "avi";     // file extension without the dot
  std::string VideoCodec = "mpeg4";  // encoder name; empty for no video
  int Width = 320;
  int Height = 240;
  AVRational FrameRate{25, 1};
  AVPixelFormat PixelFormat = AV_PIX_FMT_YUV420P;  // used when the encoder takes it
  int64_t VideoBitRate = 800000;                   // 0 for the encoder's default
  int BFrames = 0;                                 // -1 for the encoder's default
  std::string AudioCodec = "libmp3lame";           // encoder name; empty for no audio
  int SampleRate = 44100;
  int Channels = 2;
  int64_t AudioBitRate = 128000;    // 0 for the encoder's default
  int AudioStreams = 1;             // 1 or 2; the second plays ToneFrequency(spec, 1)
  double FirstAudioDuration = 0.0;  // seconds the first audio stream lasts when shorter; 0: all
  double Duration = 2.0;            // seconds
  double ToneFrequency = 440.0;     // Hz, first audio stream
  bool Clicks = true;               // a click starting at every whole second
  // Shapes of files other programs write.
  double VideoStart = 0.0;  // seconds added to every video timestamp
  double AudioStart = 0.0;  // seconds added to every audio timestamp
  // Pictures timed by a millisecond clock in a stream that states no rate, as a file made
  // from a variable-rate source is (Matroska then marks no default duration).
  bool VariableRate = false;
  // Pictures timed by a millisecond clock (as ASF and Matroska time them) at the stated rate,
  // so that a start such as 7 ms survives.
  bool MillisecondClock = false;
  // Packets that state no duration, only a start (both streams).
  bool WithoutDurations = false;
  // The sound's first packet at 0 rather than the whole file moved by the sound coder's
  // priming, as older writers do.
  bool SoundAtZero = false;
  // Sound coded with a program configuration element instead of a channel configuration
  // (AAC only).
  bool ProgramConfig = false;
  // One packet whose timestamp a writer got wrong: the first of the stream at or after At
  // seconds is stamped By seconds later than its content (its decoding time too for ASF, whose
  // payloads carry one time, so only a stream's last packet can be moved there).
  struct TStray {
    bool Video = false;
    double At = 0.0;
    double By = 0.0;
  } Stray;
  // What the container's header states when the writer's figures differ from the content:
  // the length in seconds (ASF play duration, Matroska duration), and for ASF the preroll in
  // milliseconds its timestamps are taken to be offset by (the muxer offsets them by 3100).
  double StatedLength = 0.0;
  int StatedPreroll = -1;
  std::string CoverArt;  // encoder of an attached picture ("png"); empty for none
  // Picture shape: pixels SampleAspect wide (stream and container say so), a display turn of
  // Rotation degrees clockwise (display matrix), and with CornerMarker a square of extreme
  // chroma (FindCornerMarker) in the stored picture's bottom-right corner.
  AVRational SampleAspect{1, 1};
  int Rotation = 0;
  bool CornerMarker = false;
  // A camera sensor's noise, new on every picture: detail an encoder has to spend its bits on,
  // as in filmed pictures, where the plain scene codes at the encoders' finest quantiser.
  bool Grain = false;
  // Every picture the still position pattern (DrawPositionPattern) instead of the moving scene
  // and its frame number.
  bool PositionPattern = false;
};

// A clip of the standard catalogue.
struct TNamedClip {
  std::string Name;
  TClipSpec Spec;
};

// Writes the clip to `path` (through a temporary file, so a failed or killed run leaves
// nothing at `path`). Throws std::runtime_error naming the failing call and the library's text.
void GenerateClip(const TClipSpec& spec, const std::string& path);

// Tone of audio stream `index` (0 or 1) of a clip.
double ToneFrequency(const TClipSpec& spec, int index);
// Number of pictures and of audio sample frames (per stream) a clip holds.
int64_t VideoFrameCount(const TClipSpec& spec);
int64_t AudioSampleCount(const TClipSpec& spec);
// Click start times of a clip (empty without clicks or audio).
std::vector<double> ClickTimes(const TClipSpec& spec);
// Seconds by which the decoded sound of a clip trails its pictures: the mp3 encoder's
// priming in containers that cannot signal it (AVI, FLV); 0 elsewhere.
double AudioLeadIn(const TClipSpec& spec);
// One line describing a clip's properties; changes whenever its output would.
std::string DescribeClip(const TClipSpec& spec);

const std::vector<TNamedClip>& StandardClips();
// A single PNG picture, as a picture file (not a stream container) holds it.
TClipSpec StillPicture();
// The standard clip called `name`; throws std::runtime_error for an unknown name.
const TClipSpec& StandardClip(const std::string& name);

// Folder of generated clips: $QARVO_TEST_MEDIA_DIR, or a folder under /tmp.
std::string TestMediaDir();

// The media folder, created when missing; throws when it cannot be.
std::string MakeTestMediaDir();
// Path of standard clip `name` in TestMediaDir(), generated there on first use and reused
// while its description matches.
std::string EnsureClip(const std::string& name);
// Path of a clip made to `spec` under `fileName` in TestMediaDir(), generated on first use
// and reused while its description matches.
std::string EnsureClipFile(const TClipSpec& spec, const std::string& fileName);

}  // namespace qarvo
