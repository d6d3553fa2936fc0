// One conversion task: its option state, the files it opened and its run. The operations are
// thin; each responsibility lives in its own class (option dispatch, input and output
// opening, transcode set-up and loop, output paths).
#pragma once

#include <string>

#include "engine/task/TTaskContext.h"

namespace qarvo {

class TCustomTranscoder : public TTaskContext {
 public:
  TCustomTranscoder();
  ~TCustomTranscoder() override;

  // ---- Options ----------------------------------------------------------------------------
  // Runs the handler of one option; raises EEngineError when the value is rejected.
  void DispatchOption(const std::string& name, const std::string& value);
  using TOptionTextUse = qarvo::TOptionTextUse;
  void ApplyOptionText(const std::string& text, TOptionTextUse use);
  // The generic setter: true when a library option took the value.
  bool GenericSet(const std::string& name, const std::string& value);
  // type "vcd", "svcd", "dvd", "dv", "dv50"; norm "pal", "ntsc", "film" or anything (automatic).
  void ApplyTarget(const std::string& type, const std::string& norm,
                   const std::string& fallbackNorm);
  // Options apre, vpre, spre, fpre.
  void ApplyPreset(const std::string& optionName, const std::string& value);

  // ---- Files ------------------------------------------------------------------------------
  // False with ErrorText() set when the file cannot be opened.
  bool OpenInput(const std::string& fileName);
  // Number of outputs after adding, or -1 with ErrorText() set.
  int OpenOutput(const std::string& fileName, bool join);
  void NewVideoStream(int outputIndex);
  void NewAudioStream(int outputIndex);
  void NewSubtitleStream(int outputIndex);
  // Gives the outputs to keep their final names: every output of a finished task, and of a
  // stopped one those that may replace a file (no NameIfTaken); an output of length zero is
  // never kept. A container that wants its index in front gets a fast-start copy first; when
  // that fails, the complete file is kept and `warning` says so. Returns the names the
  // outputs got. Throws EEngineError when an output cannot be given a name.
  std::vector<std::string> CommitOutputs(bool stopped, std::string& warning);
  // Closes every file; deletes outputs of length zero, and every output when removeOutputs.
  // An output not committed leaves nothing under its name.
  void ReleaseFiles(bool removeOutputs);

  // ---- Run ----------------------------------------------------------------------------------
  // Set-up, loop and end steps on the calling thread. A stop request ends the loop normally:
  // the outputs get their trailers and stay playable up to where they stopped. The outputs
  // then get their final names (CommitOutputs). On failure the
  // codecs are closed, the outputs being written are closed and removed (OutputCount() is 0
  // afterwards), and EEngineError is raised with the run's message.
  virtual void Transcode();
  // Transcode() names the outputs at its end; a run of several passes, whose every pass ends
  // with its own Transcode(), names them once, after the last (TTranscoder::Finish).
  bool CommitAfterRun = true;

 protected:
  // The fast-start copy of a finished output (a test replaces it to see one fail).
  virtual std::unique_ptr<TPartFile> MakeFastStartCopy(const TOpenedOutput& output);
};

}  // namespace qarvo
