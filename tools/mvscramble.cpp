// Build-time tool: turns a readable default settings file into the form the
// programs carry built in. Every value is scrambled with its section name as
// the key (section names, key names and comment lines stay plain), lines end
// with CR LF, and one NUL byte closes the resource, which the writer of the
// restored file leaves out.
//
//   mvscramble settings <readable.ini> <out>   values scrambled, last line without CR LF
//   mvscramble template <rules.conf> <out>     text as it stands, every line with CR LF
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/mdINIBas.h"
#include "platform/ProfileText.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: mvscramble settings|template <in> <out>\n";
    return 2;
  }
  std::string mode = argv[1];
  std::ifstream in(argv[2], std::ios::binary);
  if (!in) {
    std::cerr << "mvscramble: cannot read " << argv[2] << "\n";
    return 1;
  }
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }

  std::string out;
  if (mode == "template") {
    for (const auto& l : lines) out += l + "\r\n";
  } else if (mode == "settings") {
    std::string section;
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string& l = lines[i];
      auto pl = mv::platform::classifyProfileLine(l);
      std::string text = l;
      if (pl.kind == mv::platform::ProfileLine::Section) {
        section = std::string(pl.name);
      } else if (pl.kind == mv::platform::ProfileLine::Entry && pl.hasEquals) {
        std::string value = mv::platform::decodeProfileValue(pl.value);
        text = std::string(pl.name) + "=" +
               mv::platform::encodeProfileValue(mv::EncryptString(value, section));
      }
      out += text;
      if (i + 1 < lines.size()) out += "\r\n";
    }
  } else {
    std::cerr << "mvscramble: unknown mode " << mode << "\n";
    return 2;
  }
  out += '\0';

  std::ofstream o(argv[3], std::ios::binary | std::ios::trunc);
  o.write(out.data(), static_cast<std::streamsize>(out.size()));
  if (!o) {
    std::cerr << "mvscramble: cannot write " << argv[3] << "\n";
    return 1;
  }
  return 0;
}
