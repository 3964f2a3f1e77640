#include "programs/ParsePortEntry.h"

#include "core/VBRuntime.h"

namespace mv {

namespace {
// A port number in decimal digits only, 1 to 65535; 0 for anything else.
long portNumber(std::string text) {
  text = Trim(text);
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  long n = std::stol(text);
  return n <= 65535 ? n : 0;
}
}  // namespace

bool IsPortText(const std::string& port) {
  const auto dash = port.find('-');
  if (dash == std::string::npos) return portNumber(port) != 0;
  const long from = portNumber(port.substr(0, dash)), to = portNumber(port.substr(dash + 1));
  return from != 0 && to != 0 && from <= to;
}

std::vector<std::pair<std::string, std::string>> ParsePortEntry(const std::string& text, std::string* refused) {
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
  // A port text without a number would open every port, and one that is no
  // port would give a rule the engine cannot read: no pair for either.
  if (Trim(port).empty()) return pairs;
  if (!IsPortText(port)) {
    if (refused) *refused = port;
    return pairs;
  }
  for (const auto& p : protocols) pairs.emplace_back(p, port);
  return pairs;
}

}  // namespace mv
