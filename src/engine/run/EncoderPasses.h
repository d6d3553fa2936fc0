// How each video encoder runs in two passes: where its first pass keeps its statistics and
// how its second pass finds them. Applied to a created encoder before it opens.
#pragma once

#include <string>

extern "C" {
struct AVCodec;
struct AVCodecContext;
}

namespace qarvo {

enum class TPassStats {
  None,     // no two-pass mode in this library build: one pass at the average rate
  Engine,   // the codec's statistics text, kept by the engine's pass log
  OwnFile,  // the encoder writes and reads a file of its own, named by an option
  Params    // the encoder takes the pass and its file among its own parameters
};

TPassStats PassStatsOf(const AVCodec& codec);

// Sets the pass (1 or 2) on a created, not yet opened, video encoder; `statsBase` names the
// statistics file without extension (in the job's private folder).
void PrepareEncoderPass(AVCodecContext& encoder, const AVCodec& codec, int pass,
                        const std::string& statsBase);

// A constant-quality setting left on the encoder would override the average rate a target
// size needs: it is taken off.
void UseAverageRate(AVCodecContext& encoder);

}  // namespace qarvo
