// The table query: a where clause and a column list of any bytes over a table
// file of any bytes, with the built-in master file.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/VBRuntime.h"
#include "core/mdlMain.h"
#include "core/mdlMorvantisDatabase.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

using namespace mv;

namespace {
void setUp() {
  char dir[] = "/tmp/mvfuzz-table-XXXXXX";
  if (!::mkdtemp(dir)) std::abort();
  platform::setProgramFolder(dir);
  SetPathGlobals();
  platform::makeFolder(strProfilePath);
  InitTableNames();
  if (!platform::writeFileAtomic(MasterFile(), BuiltinDefaultText("MVDB.MVL") + "\r\n")) std::abort();
}

void writePlain(const std::string& path, const std::string& bytes) {
  int fd = ::open(platform::resolvePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) std::abort();
  if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  ::close(fd);
}

// The next piece of the input up to a NUL byte.
std::string piece(std::string& rest) {
  size_t nul = rest.find('\0');
  std::string p = rest.substr(0, nul);
  rest = nul == std::string::npos ? std::string() : rest.substr(nul + 1);
  return p;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static bool ready = (setUp(), true);
  (void)ready;
  std::string rest(reinterpret_cast<const char*>(data), size);
  const std::string where = piece(rest);
  const std::string columns = piece(rest);
  writePlain(TableFile(Database_HostSetting), rest);

  try {
    Read_TableData(Database_HostSetting, columns.empty() ? "*" : columns, where);
  } catch (const RuntimeError&) {
    return 0;  // the query's callers handle its run-time errors
  }
  const long hits = arrQueryResult.at(0).Count;
  if (hits < 0 || static_cast<size_t>(std::max(hits, 1L)) != arrQueryResult.size()) std::abort();
  const size_t width = arrQueryResult[0].Values.size();
  for (long i = 0; i < hits; ++i)
    if (arrQueryResult[static_cast<size_t>(i)].Values.size() != width) std::abort();
  try {
    getNextLineNo(Database_HostSetting);
    // Only that it does not crash: a counter that cannot be stored gives "".
    static_cast<void>(GetNewRowIndex());
  } catch (const RuntimeError&) {
  }
  return 0;
}
