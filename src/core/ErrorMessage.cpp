#include "core/ErrorMessage.h"

#include <regex>

namespace qarvo {
namespace {

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The folder part of a path, for messages about where a file could not be written.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Causes the engine's texts carry in the system's or the libraries' words.
std::string KnownCause(const std::string& text, const std::string& output) {
  const std::string target = output.empty() ? std::string("the output") : output;
  if (Has(text, "No space left on device") || Has(text, "Disk quota exceeded"))
    return "the disk is full: cannot write " + target;
  const bool aboutOutput = !output.empty() && Has(text, output.c_str());
  if (Has(text, "Read-only file system") ||
      (aboutOutput && (Has(text, "Permission denied") || Has(text, "Operation not permitted"))))
    return "the folder " + FolderOf(target) + " is read-only: cannot write " + target;
  if (Has(text, "Permission denied")) return "the file cannot be read: permission denied";
  if (Has(text, "Is a directory")) return kSourceIsFolder;
  if (Has(text, "No such file or directory") && !aboutOutput) return "the file does not exist";
  if (Has(text, "not a media file")) return "not a media file";
  if (Has(text, "Decoder (codec id") || Has(text, "Error while opening decoder")) {
    if (Has(text, "(Audio)")) return "this file's audio format is not supported";
    if (Has(text, "(Video)")) return "this file's video format is not supported";
    return "this file's format is not supported";
  }
  if (Has(text, "sample format") && (Has(text, "not supported") || Has(text, "unsupported")))
    return "this file's audio format is not supported";
  if (Has(text, "could not find codec parameters"))
    return "the streams of this file cannot be read (damaged, or a format the libraries do not "
           "know)";
  if (Has(text, "Invalid data found when processing input"))
    return "the file is damaged or not a media file";
  if (Has(text, "Error while opening encoder")) {
    const char* kind = Has(text, "(Audio)") ? "audio" : Has(text, "(Video)") ? "video" : "";
    return std::string("the output format's ") + kind + (*kind ? " " : "") +
           "encoder does not accept this source's settings (picture size, frame rate or sound)";
  }
  return {};
}

}  // namespace

std::string ErrorMessageText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') {
    return message + ".";
  }
  return message;
}

std::string PlainJobMessage(const std::string& engineText, const std::string& source,
                            const std::string& output) {
  // The batch run's own refusals are plain already.
  for (const char* plain : {kNoAudioStream, kNoAudioOrVideoStream, kSourceIsFolder})
    if (engineText == plain) return engineText;
  std::string known = KnownCause(engineText, output);
  if (!known.empty()) return known;
  std::string text = engineText;
  // The source is named once, by the front end.
  for (size_t at; !source.empty() && (at = text.find(source + ": ")) != std::string::npos;)
    text.erase(at, source.size() + 2);
  // "Error number -5 occurred (Input/output error)": the description is the cause.
  static const std::regex number("Error number -?[0-9]+ occurred \\(([^)]*)\\)");
  text = std::regex_replace(text, number, "$1");
  static const std::regex bare("Error number -?[0-9]+ occurred");
  text = std::regex_replace(text, bare, "unknown error");
  // "av_interleaved_write_frame(): ..." names a library call, not a cause.
  static const std::regex call("^[a-z_0-9]+\\([^)]*\\): ");
  text = std::regex_replace(text, call, "");
  if (!output.empty() && text.rfind(output + ": ", 0) == 0) text = "cannot write " + text;
  return text;
}

}  // namespace qarvo
