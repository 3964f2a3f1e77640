// The INI text parser: line classification, value decoding, the damage test,
// and the profile layer reading a file of any bytes and writing a key into it.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/PrivateProfile.h"
#include "platform/ProfileText.h"

using namespace mv::platform;

namespace {
const std::string& fuzzFile() {
  static const std::string path = [] {
    char dir[] = "/tmp/mvfuzz-profile-XXXXXX";
    if (!::mkdtemp(dir)) std::abort();
    return std::string(dir) + "/fuzz.ini";
  }();
  return path;
}

void writePlain(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) std::abort();
  if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  ::close(fd);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // A value always survives the trip through a line.
  std::string encoded = encodeProfileValue(text);
  if (encoded.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) std::abort();
  if (decodeProfileValue(encoded) != text) std::abort();
  for (size_t start = 0; start < text.size();) {
    size_t nl = text.find('\n', start);
    classifyProfileLine(std::string_view(text).substr(start, nl == std::string::npos ? std::string::npos : nl - start));
    start = nl == std::string::npos ? text.size() : nl + 1;
  }
  // Any text compared with itself as its default is sound or named damaged.
  profileTextDamage(text, text);

  // The profile layer on a file of these bytes: every section it lists can be
  // found again, and a key it writes reads back.
  writePlain(fuzzFile(), text);
  auto data1 = profileRead(fuzzFile());
  for (const auto& s : data1->sections())
    if (!profileRead(fuzzFile())->section(s.name)) std::abort();
  if (!data1->sections().empty()) {
    const std::string section = data1->sections().front().name;
    if (profileWriteString(section, "FuzzKey", "value 1", fuzzFile()) &&
        profileGetString(section, "FuzzKey", fuzzFile()) != std::optional<std::string>("value 1"))
      std::abort();
  }
  profileDeleteSection("FuzzSection", fuzzFile());
  return 0;
}
