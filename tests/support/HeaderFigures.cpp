#include "support/HeaderFigures.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace qarvo {
namespace {

// Headers come first; the fields are looked for in this much of the file.
constexpr size_t kHeaderBytes = 1 << 16;

std::string ReadHead(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(kHeaderBytes, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

void WriteAt(const std::string& path, size_t offset, const std::string& bytes) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write the header of " + path);
}

size_t Find(const std::string& head, const std::string& marker, const std::string& what) {
  const size_t at = head.find(marker);
  if (at == std::string::npos) throw std::runtime_error("no " + what + " in the header");
  return at;
}

std::string LittleEndian(uint64_t value, int size) {
  std::string bytes;
  for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xff);
  return bytes;
}

uint64_t ReadLittleEndian(const std::string& bytes, size_t at, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// The file properties object: play duration (100 ns, preroll included), send duration
// (100 ns) and preroll (ms) at these offsets from its identifier.
void StateInAsf(const std::string& path, double length, int prerollMs) {
  const std::string head = ReadHead(path);
  const std::string properties("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65",
                               16);
  const size_t at = Find(head, properties, "ASF file properties");
  constexpr size_t kPlay = 64, kSend = 72, kPreroll = 80;
  if (at + kPreroll + 8 > head.size()) throw std::runtime_error("short ASF header");
  uint64_t preroll = ReadLittleEndian(head, at + kPreroll, 8);
  if (prerollMs >= 0) {
    preroll = static_cast<uint64_t>(prerollMs);
    WriteAt(path, at + kPreroll, LittleEndian(preroll, 8));
  }
  if (length > 0.0) {
    const auto units = static_cast<uint64_t>(std::llround(length * 1e7));
    WriteAt(path, at + kPlay, LittleEndian(units + preroll * 10000, 8));
    WriteAt(path, at + kSend, LittleEndian(units, 8));
  }
}

// The segment information's duration: an 8-byte float in units of its timecode scale.
void StateInMatroska(const std::string& path, double length) {
  const std::string head = ReadHead(path);
  double scale = 1000000.0;  // ns per unit, the default
  const size_t scaleAt = head.find("\x2A\xD7\xB1");
  if (scaleAt != std::string::npos && scaleAt + 4 < head.size()) {
    const int size = static_cast<uint8_t>(head[scaleAt + 3]) & 0x0f;
    uint64_t value = 0;
    for (int i = 0; i < size && scaleAt + 4 + i < head.size(); ++i)
      value = value << 8 | static_cast<uint8_t>(head[scaleAt + 4 + i]);
    if (value > 0) scale = static_cast<double>(value);
  }
  const size_t at = Find(head, "\x44\x89\x88", "Matroska duration");
  const auto bits = std::bit_cast<uint64_t>(length * 1e9 / scale);
  std::string bytes;
  for (int i = 7; i >= 0; --i) bytes += static_cast<char>(bits >> (8 * i) & 0xff);
  WriteAt(path, at + 3, bytes);
}

}  // namespace

void StateInHeader(const std::string& path, const std::string& container, double length,
                   int prerollMs) {
  if (container == "asf")
    StateInAsf(path, length, prerollMs);
  else if (container == "matroska" && length > 0.0)
    StateInMatroska(path, length);
  else
    throw std::runtime_error("no stated length or preroll for " + container);
}

}  // namespace qarvo
