#include "programs/ParsePortEntry.h"

#include "core/VBRuntime.h"

namespace mv {

std::vector<std::pair<std::string, std::string>> ParsePortEntry(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  auto open = text.rfind('(');
  if (open == std::string::npos) return pairs;
  std::string tail = text.substr(open);
  std::vector<std::string> protocols;
  if (tail.find("TCP and UDP") != std::string::npos)
    protocols = {"TCP", "UDP"};
  else if (tail.find("TCP") != std::string::npos)
    protocols = {"TCP"};
  else if (tail.find("UDP") != std::string::npos)
    protocols = {"UDP"};
  else
    return pairs;
  auto word = tail.find("port");
  if (word == std::string::npos || word + 5 > tail.size()) return pairs;
  std::string rest = tail.substr(word + 5);
  auto close = rest.find(')');
  if (close == std::string::npos) return pairs;
  std::string port = rest.substr(0, close);
  // A port text without a number would open every port: no pair for it.
  if (Trim(port).empty()) return pairs;
  for (const auto& p : protocols) pairs.emplace_back(p, port);
  return pairs;
}

}  // namespace mv
