// The files a task has opened: inputs with their decoder contexts, outputs with the streams
// created for them. Filled by input and output opening, read by transcode set-up.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "media/LibraryObjects.h"
#include "media/TPartFile.h"
#include "media/UnicodeProtocol.h"

namespace qarvo {

struct TOpenedInput {
  std::string FileName;
  // Declared before Context: a name the locale cannot carry is read through this file, which
  // must outlive the container.
  std::unique_ptr<TUnicodeFile> Unicode;
  TInputFormatContextPtr Context;
  int64_t TsOffset = 0;                        // µs
  std::vector<TCodecContextPtr> Decoders;      // one per stream (null for kinds not decoded)
  std::vector<const AVCodec*> ForcedDecoders;  // one per stream, null when not forced
  // Packets seen per stream in the analysed span; empty when the container declares the
  // frame counts or no two streams of one kind lack them.
  std::vector<int64_t> AnalysedFrames;
  // µs taken from each stream's timestamps (a stream that starts far off is moved to the
  // file's start); empty when none moves.
  std::vector<int64_t> StreamShift;
};

struct TCreatedOutputStream {
  TCodecContextPtr Encoder;        // encoder context, or codec settings for stream copy
  const AVCodec* Codec = nullptr;  // the encoder chosen by name or guessed
  bool Copy = false;
  std::vector<std::string> BitstreamFilters;
};

struct TOpenedOutput {
  std::string FileName;  // the final name; after the commit, the one the file got
  // The file written until it is complete; none for a device or a muxer writing files of its
  // own. Declared first: it outlives the writer on it.
  std::unique_ptr<TPartFile> Part;
  // The part file a fast-start copy replaced: the writer's descriptor until the files close.
  std::unique_ptr<TPartFile> Replaced;
  TNameIfTaken NameIfTaken;
  std::unique_ptr<TUnicodeFile> Unicode;  // outlives Context, as for inputs
  TOutputFormatContextPtr Context;
  bool HeaderWritten = false;
  bool TrailerWritten = false;
  std::vector<TCreatedOutputStream> Streams;  // same order as Context->streams
};

struct TTaskFiles {
  std::vector<TOpenedInput> Inputs;
  std::vector<TOpenedOutput> Outputs;
};

}  // namespace qarvo
