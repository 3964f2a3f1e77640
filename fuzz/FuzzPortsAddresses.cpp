// The port and address parsers: port lists, port entries, address and mask
// comparison, and the rule writer's text checks.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/VBRuntime.h"
#include "programs/ParsePortEntry.h"
#include "rules/RuleText.h"
#include "zones/mdlCommon.h"
#include "zones/mdlMain.h"
#include "zones/mdlNet.h"

using namespace mv;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size) {
  std::string text(reinterpret_cast<const char *>(data), size);
  // Three pieces split at NUL bytes: an address, a mask and another address.
  std::string parts[3];
  size_t k = 0;
  for (char c : text) {
    if (c == '\0' && k < 2)
      ++k;
    else
      parts[k] += c;
  }

  try {
    for (const auto &p : ParsePortList(text))
      (void)p;
    std::string shown = CheckDisplay(text);
    // What is shown reads back as itself.
    if (CheckDisplay(shown) != shown)
      std::abort();
    for (const auto &[protocol, port] : ParsePortEntry(text))
      if (protocol != "TCP" && protocol != "UDP")
        std::abort();

    IsNetworkIP(parts[0], parts[1], parts[2]);
    CompareIPAddress(parts[0], parts[2]);
    GetMaskBits(parts[1]);
    BinToDec(BinaryAnd(DecToBin(parts[0]), DecToBin(parts[1])));
  } catch (const RuntimeError &) {
    // A run-time error is how these procedures report what they cannot read.
  }

  for (RulePart part :
       {RulePart::Section, RulePart::Key, RulePart::Value, RulePart::Word})
    if (RuleTextProblem(text, part).empty() &&
        text.find_first_of("\r\n") != std::string::npos)
      std::abort();
  return 0;
}
