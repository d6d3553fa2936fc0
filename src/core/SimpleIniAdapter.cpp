#include "core/SimpleIniAdapter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace qarvo::ini_detail {

int ReadFileText(const std::string& fileName, std::string& text) {
  text.clear();
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return errno;
  }
  char buffer[16384];
  int error = 0;
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count > 0) {
      text.append(buffer, static_cast<size_t>(count));
    } else if (count == 0) {
      break;
    } else if (errno != EINTR) {
      error = errno;
      break;
    }
  }
  ::close(fd);
  return error;
}

void ParseText(TSimpleIni& ini, std::string_view text) {
  ini.Reset();
  ini.SetUnicode(false);
  ini.SetMultiKey(false);
  ini.SetMultiLine(false);
  ini.SetQuotes(false);
  ini.SetSpaces(false);  // written as key=value
  if (!text.empty()) {
    ini.LoadData(text.data(), text.size());
  }
}

}  // namespace qarvo::ini_detail
