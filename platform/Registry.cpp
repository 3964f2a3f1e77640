#include "platform/Registry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/ChangeRecord.h"
#include "platform/FileSystem.h"
#include "platform/ProfileText.h"
#include "platform/Paths.h"

namespace mv::platform {
namespace {

// File format, one record a line:
//   K <root> <key path>
//   V <root> <key path> TAB <value name> TAB <type> TAB <data>
// with "%", TAB, CR, LF and NUL written as %HH in names and data.
std::string escape(const std::string& s) { return percentEncode(s, std::string_view("\t\r\n\0", 4)); }

std::string unescape(const std::string& s) { return percentDecode(s); }

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Key paths are compared without regard to case and without leading,
// trailing or doubled backslashes.
std::string normalKey(std::uint32_t root, const std::string& path) {
  std::string p;
  for (char c : path) {
    if (c == '\\' && (p.empty() || p.back() == '\\')) continue;
    p += c;
  }
  while (!p.empty() && p.back() == '\\') p.pop_back();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", root);
  return std::string(buf) + "\\" + lower(p);
}

struct Key {
  std::string root;
  std::string path;  // as first written
  std::map<std::string, std::pair<std::string, RegValue>> values;  // lower name -> (name, value)
};

struct Store {
  std::map<std::string, Key> keys;  // normalised path -> key
  bool unreadable = false;          // the file exists but could not be read
};

void ensureKey(Store& st, std::uint32_t root, const std::string& path) {
  std::string n = normalKey(root, path);
  if (st.keys.count(n)) return;
  Key k;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", root);
  k.root = buf;
  k.path = path;
  st.keys.emplace(n, std::move(k));
}

Store loadStore() {
  Store st;
  ensureKey(st, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
  ensureKey(st, HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup");
  std::string bytes;
  struct stat fileStat;
  if (::stat(registryFile().c_str(), &fileStat) == 0 && !readNativeFile(registryFile(), bytes)) {
    st.unreadable = true;
    return st;
  }
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() < 12 || (line[0] != 'K' && line[0] != 'V') || line[1] != ' ') continue;
    std::uint32_t root = static_cast<std::uint32_t>(std::strtoul(line.substr(2, 8).c_str(), nullptr, 16));
    std::string rest = line.substr(11);
    std::vector<std::string> f;
    std::stringstream ss(rest);
    std::string part;
    while (std::getline(ss, part, '\t')) f.push_back(part);
    if (rest.empty() || f.empty()) continue;
    std::string path = unescape(f[0]);
    ensureKey(st, root, path);
    if (line[0] == 'V' && f.size() >= 3) {
      RegValue v;
      v.type = static_cast<std::uint32_t>(std::strtoul(f[2].c_str(), nullptr, 10));
      v.data = f.size() >= 4 ? unescape(f[3]) : std::string();
      std::string name = unescape(f[1]);
      st.keys[normalKey(root, path)].values[lower(name)] = {name, v};
    }
  }
  return st;
}

// The file's bytes for the store.
std::string storeText(const Store& st) {
  std::ostringstream out;
  for (const auto& [n, k] : st.keys) {
    out << "K " << k.root << " " << escape(k.path) << "\n";
    for (const auto& [ln, nv] : k.values)
      out << "V " << k.root << " " << escape(k.path) << "\t" << escape(nv.first) << "\t" << nv.second.type << "\t"
          << escape(nv.second.data) << "\n";
  }
  return out.str();
}

bool saveStore(const Store& st) {
  // A registry that could not be read is never replaced by a partial one.
  if (st.unreadable) return false;
  ::mkdir(systemDirectory().c_str(), 0755);
  ::mkdir((systemDirectory() + "/config").c_str(), 0755);
  return writeNativeFileAtomic(registryFile(), storeText(st));
}

// Every key along the path comes into being, as with the Windows call.
void ensureKeyPath(Store& st, std::uint32_t root, const std::string& subKey) {
  std::string acc;
  size_t start = 0;
  while (start <= subKey.size()) {
    size_t end = subKey.find('\\', start);
    if (end == std::string::npos) end = subKey.size();
    if (end > start) {
      acc += (acc.empty() ? "" : "\\") + subKey.substr(start, end - start);
      ensureKey(st, root, acc);
    }
    start = end + 1;
  }
}

void setIn(Store& st, std::uint32_t root, const std::string& subKey, const std::string& name, const RegValue& value) {
  auto& slot = st.keys.at(normalKey(root, subKey)).values[lower(name)];
  if (slot.first.empty()) slot.first = name;
  slot.second = value;
}

bool knownRoot(std::uint32_t root) { return root >= HKEY_CLASSES_ROOT && root <= 0x80000006u; }

}  // namespace

bool registryTextWithValue(std::uint32_t root, const std::string& subKey, const std::string& name,
                           const RegValue& value, std::string& text) {
  if (!knownRoot(root)) return false;
  Store st = loadStore();
  if (st.unreadable) return false;
  ensureKeyPath(st, root, subKey);
  if (!st.keys.count(normalKey(root, subKey))) return false;
  setIn(st, root, subKey, name, value);
  text = storeText(st);
  return true;
}

std::string registryFile() { return systemDirectory() + "/config/registry"; }

long regOpenKey(std::uint32_t root, const std::string& subKey) {
  if (!knownRoot(root)) return ERROR_INVALID_HANDLE;
  Store st = loadStore();
  return st.keys.count(normalKey(root, subKey)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

namespace {
// A change of the registry file: read and written under the program
// folder's write lock, so that another process's change in between is not
// lost.
template <class Change>
long lockedChange(std::uint32_t root, Change change) {
  if (!knownRoot(root)) return ERROR_INVALID_HANDLE;
  FolderWriteLock lock;
  if (!lock.held()) return ERROR_ACCESS_DENIED;
  Store st = loadStore();
  return change(st);
}
}  // namespace

long regCreateKey(std::uint32_t root, const std::string& subKey) {
  return lockedChange(root, [&](Store& st) -> long {
    if (st.keys.count(normalKey(root, subKey))) return ERROR_SUCCESS;
    ensureKeyPath(st, root, subKey);
    return saveStore(st) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
  });
}

long regQueryValue(std::uint32_t root, const std::string& subKey, const std::string& name, RegValue& out) {
  if (!knownRoot(root)) return ERROR_INVALID_HANDLE;
  Store st = loadStore();
  auto k = st.keys.find(normalKey(root, subKey));
  if (k == st.keys.end()) return ERROR_FILE_NOT_FOUND;
  auto v = k->second.values.find(lower(name));
  if (v == k->second.values.end()) return ERROR_FILE_NOT_FOUND;
  out = v->second.second;
  return ERROR_SUCCESS;
}

long regSetValue(std::uint32_t root, const std::string& subKey, const std::string& name, const RegValue& value) {
  return lockedChange(root, [&](Store& st) -> long {
    if (!st.keys.count(normalKey(root, subKey))) return ERROR_FILE_NOT_FOUND;
    setIn(st, root, subKey, name, value);
    return saveStore(st) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
  });
}

long regDeleteValue(std::uint32_t root, const std::string& subKey, const std::string& name) {
  return lockedChange(root, [&](Store& st) -> long {
    auto k = st.keys.find(normalKey(root, subKey));
    if (k == st.keys.end() || !k->second.values.erase(lower(name))) return ERROR_FILE_NOT_FOUND;
    return saveStore(st) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
  });
}

}  // namespace mv::platform
