// Examines a media file without converting it: container and stream facts and a readable
// description.
//
// A probe either opens a file itself or is attached to a container a task has opened; an
// attached container belongs to its task and is never closed here. A probe is used from one
// thread at a time, except RequestStop.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "media/EngineLogger.h"
#include "media/InterruptCheck.h"
#include "media/LibraryObjects.h"
#include "probe/ProbeRecords.h"

namespace qarvo {

class TUnicodeFile;

class TCustomMediaProbe {
 public:
  TCustomMediaProbe();
  virtual ~TCustomMediaProbe();
  TCustomMediaProbe(const TCustomMediaProbe&) = delete;
  TCustomMediaProbe& operator=(const TCustomMediaProbe&) = delete;

  // Opens and analyses a file (UTF-8 name), detecting its format unless one is named.
  // Throws EEngineError only when a library the probe needs is not loaded; every other
  // failure returns false with LastErrMsg() set.
  bool LoadFile(const std::string& fileName, const std::string& formatName = {});
  bool LoadFile(const std::wstring& fileName, const std::string& formatName = {});
  // The same over a container read through the caller's I/O context, which must outlive the
  // loaded file; `name` stands for the file name in messages and the description.
  bool LoadStream(AVIOContext* io, const std::string& name, const std::string& formatName = {});

  // Any thread: a load in progress gives up at its next read with "<file>: stopped", as it
  // does when the process is asked to end; later loads fail the same way until ClearStop.
  void RequestStop() { stop_ = true; }
  void ClearStop() { stop_ = false; }

  // Recomputes the summary from the opened container.
  virtual void Refresh();
  // Adopts a container opened elsewhere, without taking it over.
  virtual void Attach(AVFormatContext* container);
  // Releases the file (closing the container only when this probe opened it).
  virtual void CloseFile();

  TFileStreamInfo FileStreamInfo();
  // A negative index means the first stream of the kind.
  TAudioStreamInfo AudioStreamInfo(int index);
  TVideoStreamInfo VideoStreamInfo(int index);
  std::string FileInfoText();
  std::string FileName();    // UTF-8
  std::string FormatName();  // the container format's short name
  bool IsAudioStream(int index);
  bool IsVideoStream(int index);

  bool Loaded() const { return container_ != nullptr; }
  AVFormatContext* Container() const { return container_; }
  const std::string& LastErrMsg() const { return lastErrMsg_; }
  // The format name given to the last successful LoadFile (empty for detection).
  const std::string& InputFormat() const { return inputFormat_; }

  // Summary; all -1 while nothing is loaded.
  int64_t FileSize() const { return fileSize_; }
  int StreamCount() const { return streamCount_; }
  int ProgramCount() const { return programCount_; }
  int AudioStreamCount() const { return audioStreamCount_; }
  int VideoStreamCount() const { return videoStreamCount_; }
  int SubtitleStreamCount() const { return subtitleStreamCount_; }
  int FirstAudioStreamIndex() const { return firstAudioStreamIndex_; }
  int FirstVideoStreamIndex() const { return firstVideoStreamIndex_; }
  int FirstSubtitleStreamIndex() const { return firstSubtitleStreamIndex_; }

 protected:
  // False (with "file not loaded." reported) when no file is loaded.
  bool CheckLoaded();
  // Stores the message as LastErrMsg and logs it; returns false for the caller to pass on.
  bool Fail(TLogLevel level, const std::string& message);

 private:
  static void CheckLibraries();
  bool Load(const std::string& fileName, const std::string& formatName, AVIOContext* io);
  bool OpenContainer(const std::string& fileName, const AVInputFormat* format, AVIOContext* io);
  bool DescribesStreams();
  void ResetSummary();
  const AVStream* FindStream(int index, AVMediaType kind);
  bool IsStreamOfKind(int index, AVMediaType kind);

  std::atomic<bool> stop_{false};
  TInterruptCheck interrupt_{&stop_};  // the opened container's and its file's
  // Destroyed after owned_: the container reads through it to the end.
  std::unique_ptr<TUnicodeFile> unicodeFile_;
  TInputFormatContextPtr owned_;          // set when this probe opened the container
  AVFormatContext* container_ = nullptr;  // owned_ or an attached container
  std::string fileName_;
  std::string lastErrMsg_;
  std::string inputFormat_;

  int64_t fileSize_ = -1;
  int streamCount_ = -1;
  int programCount_ = -1;
  int audioStreamCount_ = -1;
  int videoStreamCount_ = -1;
  int subtitleStreamCount_ = -1;
  int firstAudioStreamIndex_ = -1;
  int firstVideoStreamIndex_ = -1;
  int firstSubtitleStreamIndex_ = -1;
};

}  // namespace qarvo
