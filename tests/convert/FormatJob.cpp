#include "FormatJob.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/OutputNaming.h"
#include "convert/EngineBatch.h"

namespace qarvo::test {

std::string DefinitionFile() { return std::string(QARVO_SOURCE_DIR) + "/data/qarvo3gpformat.ini"; }

bool TNoQuestion::UseDefaultSize() {
  ADD_FAILURE() << "a factory default asked the size question";
  return true;
}

void ConvertOneJob(TIniFile& settings, TIniFile& definitions, int code, const std::string& source,
                   TJobReport& report, int64_t* mostTotal) {
  std::unique_ptr<IHeadlessEngine> engine = MakeEngineBatch();
  TBatchRun run(*engine, settings, definitions);
  run.SetFormatCode(code);
  bool ended = false;
  std::vector<TJobRow> rows{{source, true, NewJobRecord(source, "", 0, "lbox"), {}, {}}};
  if (mostTotal) {
    engine->OnProgress = [mostTotal](const TRunProgress& p) {
      *mostTotal = std::max(*mostTotal, p.TotalDuration);
    };
  }
  engine->OnTerminate = [&](const TRunTermination& t) {
    if (run.OnTerminate(rows, t.TaskIndex, t.Finished, t.Exception, t.ExceptionMsg, nullptr, false,
                        false, {}))
      ended = true;
  };
  TOutputNamer namer(settings);
  TNoQuestion noQuestion;
  ASSERT_TRUE(run.Start(rows, namer, noQuestion)) << run.Reports().front().Message;
  // A safety net only: these conversions take a second or two.
  for (int i = 0; i < 1200 && !ended; ++i) engine->Pump(100);
  ASSERT_TRUE(ended);
  report = run.Reports().front();
  ASSERT_EQ(report.Outcome, TJobOutcome::Finished) << report.Message;
}

void ConvertIntoFolder(const std::string& folder, int code, const std::string& source,
                       TJobReport& report, int64_t* mostTotal) {
  TIniFile settings(folder + "/settings.ini");
  settings.WriteString("settings", "OutPutDir", folder);
  TIniFile definitions(DefinitionFile());
  ConvertOneJob(settings, definitions, code, source, report, mostTotal);
}

const AVStream* FirstVideoStream(const TMediaProbe& probe) {
  const AVFormatContext* container = probe.Container();
  for (unsigned i = 0; i < container->nb_streams; ++i)
    if (container->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      return container->streams[i];
  return nullptr;
}

}  // namespace qarvo::test
