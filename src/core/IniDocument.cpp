#include "core/IniDocument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qarvo {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Byte by byte: a name may hold a zero byte, where the C library's functions would stop.
std::string Folded(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = LowerAscii(c);
  return folded;
}

int RefusedKind(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (!S_ISREG(info.st_mode)) return TIniDocument::kNotRegularFile;
  if (static_cast<unsigned long long>(info.st_size) > TIniDocument::kMaxFileSize)
    return TIniDocument::kTooLarge;
  return 0;
}

// The path is looked at before it is opened: opening some devices already does something.
// The descriptor is checked again, since the path may have changed in between, and it is
// opened without blocking, so a named pipe put there meanwhile cannot stall the read.
int ReadRegularFile(const std::string& fileName, std::string& text) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) return errno;
  if (const int refused = RefusedKind(info)) return refused;
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return errno;
  int error = ::fstat(fd, &info) == 0 ? RefusedKind(info) : errno;
  if (error == 0) text.reserve(static_cast<size_t>(info.st_size));
  char buffer[16384];
  while (error == 0) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count > 0) {
      text.append(buffer, static_cast<size_t>(count));
      // A file that grows while it is read is held to the same limit.
      if (text.size() > TIniDocument::kMaxFileSize) error = TIniDocument::kTooLarge;
    } else if (count == 0) {
      break;
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  ::close(fd);
  return error;
}

// The line's own terminator, so added lines match the file's line ends.
std::string_view Terminator(std::string_view line) {
  if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") return "\r\n";
  if (!line.empty() && line.back() == '\n') return "\n";
  return {};
}

}  // namespace

TIniDocument::TIniDocument(std::string text) : text_(std::move(text)) { Index(); }

int TIniDocument::Load(const std::string& fileName) {
  text_.clear();
  const int error = ReadRegularFile(fileName, text_);
  if (error != 0) std::string().swap(text_);
  Index();
  return error;
}

std::string TIniDocument::LoadErrorText(const std::string& fileName, int error) {
  switch (error) {
    case 0:
    case ENOENT:
      return {};
    case EISDIR:
    case kNotRegularFile:
      return fileName + " is not a regular file";
    case kTooLarge:
      return fileName + " is larger than " + std::to_string(kMaxFileSize / (1024 * 1024)) + " MB";
    default:
      return fileName + ": " + std::strerror(error);
  }
}

void TIniDocument::Index() {
  lines_.clear();
  sections_.assign(1, TSection{});
  sectionIndex_.clear();
  int current = 0;
  size_t begin =
      text_.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0 ? kByteOrderMark.size() : 0;
  while (begin < text_.size()) {
    const size_t newline = text_.find('\n', begin);
    const size_t end = newline == std::string::npos ? text_.size() : newline + 1;
    TLine line;
    line.Begin = begin;
    line.End = end;
    const size_t length = end - begin - (newline == std::string::npos ? 0 : 1);
    const std::string_view content = Trimmed(std::string_view(text_).substr(begin, length));
    if (!content.empty() && content.front() == '[') {
      const size_t close = content.find(']');
      if (close != std::string_view::npos) {
        const std::string_view name = Trimmed(content.substr(1, close - 1));
        current = SectionIndex(name);
        if (current < 0) {
          current = static_cast<int>(sections_.size());
          sections_.push_back(TSection{std::string(name), {}, {}});
          sectionIndex_.emplace(Folded(name), current);
        }
        line.Header = true;
        line.Section = current;
        sections_[current].Lines.push_back(lines_.size());
      }
    } else if (!content.empty() && content.front() != ';' && content.front() != '#') {
      const size_t equals = content.find('=');
      const std::string_view key = equals == std::string_view::npos
                                       ? std::string_view()
                                       : Trimmed(content.substr(0, equals));
      if (!key.empty()) {
        const std::string_view rest = content.substr(equals + 1);
        const std::string_view value = Trimmed(rest);
        line.Section = current;
        line.Key = key;
        line.Value = value;
        const char* valueStart = value.empty() ? rest.data() + rest.size() : value.data();
        line.ValueBegin = static_cast<size_t>(valueStart - text_.data());
        sections_[current].Lines.push_back(lines_.size());
        sections_[current].FirstEntries.try_emplace(Folded(key), lines_.size());
      }
    }
    lines_.push_back(std::move(line));
    begin = end;
  }
}

int TIniDocument::SectionIndex(std::string_view name) const {
  // Index 0 is the unnamed part before any section line.
  if (name.empty()) return 0;
  const auto found = sectionIndex_.find(Folded(name));
  return found == sectionIndex_.end() ? -1 : found->second;
}

const TIniDocument::TLine* TIniDocument::FirstEntry(int section, std::string_view key) const {
  if (section < 0) return nullptr;
  const auto& entries = sections_[section].FirstEntries;
  const auto found = entries.find(Folded(key));
  return found == entries.end() ? nullptr : &lines_[found->second];
}

const std::string* TIniDocument::Find(std::string_view section, std::string_view key) const {
  const TLine* line = FirstEntry(SectionIndex(section), key);
  return line ? &line->Value : nullptr;
}

bool TIniDocument::HasSection(std::string_view section) const {
  const int index = SectionIndex(section);
  return index >= 0 && !sections_[index].Lines.empty();
}

std::vector<std::string> TIniDocument::Sections() const {
  std::vector<std::string> names;
  for (const TSection& section : sections_)
    if (!section.Lines.empty()) names.push_back(section.Name);
  return names;
}

std::vector<TIniDocument::TEntry> TIniDocument::Entries(std::string_view section) const {
  std::vector<TEntry> entries;
  const int index = SectionIndex(section);
  if (index < 0) return entries;
  for (size_t lineIndex : sections_[index].Lines) {
    const TLine& line = lines_[lineIndex];
    if (!line.Header && FirstEntry(index, line.Key) == &line)
      entries.push_back({line.Key, line.Value});
  }
  return entries;
}

void TIniDocument::InsertAfter(size_t lineIndex, const std::string& newLines) {
  const TLine& line = lines_[lineIndex];
  const std::string_view raw = std::string_view(text_).substr(line.Begin, line.End - line.Begin);
  std::string_view end = Terminator(raw);
  std::string insertion;
  if (end.empty()) {
    end = "\n";
    insertion = end;  // the file's last line had no line end
  }
  for (size_t start = 0; start < newLines.size();) {
    const size_t newline = newLines.find('\n', start);
    insertion += newLines.substr(start, newline - start);
    insertion += end;
    start = newline + 1;
  }
  text_.insert(line.End, insertion);
}

void TIniDocument::SetValue(const std::string& section, const std::string& key,
                            const std::string& value) {
  const int index = SectionIndex(section);
  if (const TLine* line = FirstEntry(index, key)) {
    const std::string end(
        Terminator(std::string_view(text_).substr(line->Begin, line->End - line->Begin)));
    text_.replace(line->ValueBegin, line->End - line->ValueBegin, value + end);
  } else if (index >= 0 && !sections_[index].Lines.empty()) {
    // After the last entry of the section's first appearance, before what follows it.
    const std::vector<size_t>& owned = sections_[index].Lines;
    size_t after = owned.front();
    for (size_t lineIndex : owned) {
      if (lineIndex != owned.front() && lines_[lineIndex].Header) break;
      after = lineIndex;
    }
    InsertAfter(after, key + "=" + value + "\n");
  } else if (section.empty()) {
    // An entry outside any section must come before the first section line.
    const size_t at = lines_.empty() ? text_.size() : lines_.front().Begin;
    const std::string_view end =
        lines_.empty() ? std::string_view()
                       : Terminator(std::string_view(text_).substr(at, lines_.front().End - at));
    text_.insert(at, key + "=" + value + std::string(end.empty() ? "\n" : end));
  } else {
    if (!text_.empty() && text_.back() != '\n') text_ += '\n';
    text_ += "[" + section + "]\n";
    text_ += key + "=" + value + "\n";
  }
  Index();
}

}  // namespace qarvo
