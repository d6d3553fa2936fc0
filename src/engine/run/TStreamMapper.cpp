#include "engine/run/TStreamMapper.h"

#include <algorithm>
#include <climits>

#include "base/EngineError.h"
#include "base/StringFormat.h"
#include "media/EngineLogger.h"
#include "media/StreamKind.h"
#include "engine/paths/TRunState.h"
#include "engine/task/TTaskContext.h"

namespace qarvo {

const char* TStreamMapper::TypeName(int type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return "Video";
    case AVMEDIA_TYPE_AUDIO:
      return "Audio";
    case AVMEDIA_TYPE_DATA:
      return "Data";
    case AVMEDIA_TYPE_SUBTITLE:
      return "Subtitle";
    case AVMEDIA_TYPE_ATTACHMENT:
      return "Attachment";
    default:
      return "Unknown";
  }
}

void TStreamMapper::BuildTables(TRunState& run) {
  TTaskFiles& files = run.Task.Files;
  int first = 0;
  const int64_t now = api().av_gettime_relative();
  for (int f = 0; f < static_cast<int>(files.Inputs.size()); ++f) {
    TOpenedInput& input = files.Inputs[f];
    TInputFileState file;
    file.FirstStream = first;
    file.StreamCount = static_cast<int>(input.Context->nb_streams);
    run.InputFiles.push_back(file);
    for (int s = 0; s < file.StreamCount; ++s) {
      TInputStreamState ist;
      ist.FileIndex = f;
      ist.StreamIndex = s;
      ist.Stream = input.Context->streams[s];
      ist.Decoder = s < static_cast<int>(input.Decoders.size()) ? input.Decoders[s].get() : nullptr;
      ist.DecoderCodec =
          s < static_cast<int>(input.ForcedDecoders.size()) ? input.ForcedDecoders[s] : nullptr;
      if (run.Options.RateEmulation) ist.Start = now;
      run.InputStreams.push_back(ist);
    }
    first += file.StreamCount;
  }
}

int TStreamMapper::ChooseSource(TRunState& run, int outputFile, int outputStream, int type) {
  const int32_t program = run.Options.ProgramId;
  int best = -1;
  int bestFrames = -1;
  for (int j = 0; j < static_cast<int>(run.InputStreams.size()); ++j) {
    const TInputStreamState& ist = run.InputStreams[j];
    if (PlayedType(*ist.Stream) != type || !ist.Discard || ist.Stream->discard == AVDISCARD_ALL)
      continue;
    if (program) {
      const AVFormatContext* ctx = run.Task.Files.Inputs[ist.FileIndex].Context.get();
      bool inProgram = false;
      for (unsigned p = 0; p < ctx->nb_programs && !inProgram; ++p) {
        if (ctx->programs[p]->id != program) continue;
        for (unsigned k = 0; k < ctx->programs[p]->nb_stream_indexes; ++k)
          inProgram =
              inProgram || static_cast<int>(ctx->programs[p]->stream_index[k]) == ist.StreamIndex;
      }
      if (!inProgram) continue;
    }
    // The frame count the container declares stands for the stream's weight, else the
    // packets seen while the input was analysed.
    const std::vector<int64_t>& analysed = run.Task.Files.Inputs[ist.FileIndex].AnalysedFrames;
    int64_t seen = ist.Stream->nb_frames;
    if (seen <= 0 && ist.StreamIndex < static_cast<int>(analysed.size()))
      seen = analysed[ist.StreamIndex];
    const int frames = static_cast<int>(std::min<int64_t>(seen, INT32_MAX));
    if (frames > bestFrames) {
      bestFrames = frames;
      best = j;
    }
  }
  if (best < 0 && !program) {
    for (int j = 0; j < static_cast<int>(run.InputStreams.size()); ++j) {
      const TInputStreamState& ist = run.InputStreams[j];
      if (PlayedType(*ist.Stream) == type && ist.Stream->discard != AVDISCARD_ALL) best = j;
    }
  }
  if (best < 0) {
    api().av_dump_format(run.Task.Files.Outputs[outputFile].Context.get(), outputFile,
                         run.Task.Files.Outputs[outputFile].Context->url, 1);
    throw EEngineError(Format("Could not find input stream matching output stream #%d.%d (%s)",
                              outputFile, outputStream, TypeName(type)));
  }
  return best;
}

void TStreamMapper::Map(TRunState& run) {
  BuildTables(run);
  TTaskFiles& files = run.Task.Files;
  const std::vector<TStreamMap>& maps = run.Options.StreamMaps;
  int total = 0;
  for (int f = 0; f < static_cast<int>(files.Outputs.size()); ++f) {
    AVFormatContext* oc = files.Outputs[f].Context.get();
    if (oc->nb_streams == 0) {
      api().av_dump_format(oc, f, oc->url, 1);
      throw EEngineError(Format("Output file #%d does not contain any stream", f));
    }
    total += static_cast<int>(oc->nb_streams);
  }
  if (!maps.empty() && static_cast<int>(maps.size()) != total)
    throw EEngineError("Number of stream maps must match number of output streams");
  for (const TStreamMap& map : maps) {
    const auto valid = [&](int file, int stream) {
      return file >= 0 && file < static_cast<int>(run.InputFiles.size()) && stream >= 0 &&
             stream < run.InputFiles[file].StreamCount;
    };
    if (!valid(map.File, map.Stream))
      throw EEngineError(Format("Could not find input stream #%d.%d", map.File, map.Stream));
    if (!valid(map.SyncFile, map.SyncStream))
      throw EEngineError(Format("Could not find sync stream #%d.%d", map.SyncFile, map.SyncStream));
  }
  run.OutputStreams.reserve(total);
  int n = 0;
  for (int f = 0; f < static_cast<int>(files.Outputs.size()); ++f) {
    TOpenedOutput& output = files.Outputs[f];
    for (int i = 0; i < static_cast<int>(output.Context->nb_streams); ++i, ++n) {
      TOutputStreamState ost;
      ost.FileIndex = f;
      ost.StreamIndex = i;
      ost.Muxer = output.Context.get();
      ost.Stream = output.Context->streams[i];
      ost.Created = &output.Streams[i];
      ost.Encoder = output.Streams[i].Encoder.get();
      const int type = ost.Encoder->codec_type;
      if (!maps.empty()) {
        const TStreamMap& map = maps[n];
        ost.SourceIndex = run.InputFiles[map.File].FirstStream + map.Stream;
        ost.SyncSource = run.InputFiles[map.SyncFile].FirstStream + map.SyncStream;
        const int sourceType = run.InputStreams[ost.SourceIndex].Stream->codecpar->codec_type;
        if (sourceType != type) {
          api().av_dump_format(output.Context.get(), f, output.Context->url, 1);
          throw EEngineError(Format("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                                    map.File, map.Stream, TypeName(sourceType), f, i,
                                    TypeName(type)));
        }
      } else {
        ost.SourceIndex = ChooseSource(run, f, i, type);
        ost.SyncSource = ost.SourceIndex;
      }
      run.InputStreams[ost.SourceIndex].Discard = false;
      run.OutputStreams.push_back(std::move(ost));
    }
  }
}

void TStreamMapper::LogMapping(TRunState& run) {
  if (run.Options.Verbose < 0) return;
  TEngineLogger& log = TEngineLogger::GetLogger();
  log.Log(&run.Task, TLogLevel::llVerbose, "Stream mapping:");
  for (const TOutputStreamState& ost : run.OutputStreams) {
    const TInputStreamState& source = run.InputStreams[ost.SourceIndex];
    const char* type = TypeName(ost.Encoder->codec_type);
    log.LogF(&run.Task, TLogLevel::llVerbose, "  Stream #%d.%d -> #%d.%d (%s)", source.FileIndex,
             source.StreamIndex, ost.FileIndex, ost.StreamIndex, type);
    if (ost.SyncSource != ost.SourceIndex) {
      const TInputStreamState& sync = run.InputStreams[ost.SyncSource];
      log.LogF(&run.Task, TLogLevel::llVerbose, " [sync #%d.%d (%s)]", sync.FileIndex,
               sync.StreamIndex, type);
    }
  }
}

}  // namespace qarvo
