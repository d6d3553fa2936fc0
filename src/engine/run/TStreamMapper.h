// Builds the run's state tables and decides which input stream feeds each output stream:
// by the stream maps when given, otherwise the best stream of the same kind.
#pragma once

namespace qarvo {

struct TRunState;

class TStreamMapper {
 public:
  // Raises EEngineError with the mapping messages.
  static void Map(TRunState& run);
  // "Video", "Audio", "Data", "Subtitle", "Attachment" or "Unknown".
  static const char* TypeName(int type);
  // "Stream mapping:" and one line per output stream, to the engine log.
  static void LogMapping(TRunState& run);

 private:
  static void BuildTables(TRunState& run);
  static int ChooseSource(TRunState& run, int outputFile, int outputStream, int type);
};

}  // namespace qarvo
