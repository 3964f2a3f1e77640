#include "zones/mdlNet.h"

#include <vector>

#include "core/ErrorBoundary.h"
#include "core/VBRuntime.h"
#include "core/mdlMain.h"

namespace mv {

std::string DecToBin(const std::string& strDec) {
  std::int32_t value = CLng(Val(strDec));
  std::string bits;
  for (int bit = 7; bit >= 0; --bit) bits += (value >> bit) & 1 ? '1' : '0';
  return bits;
}

std::string BinaryAnd(const std::string& strBin1, const std::string& strBin2) {
  std::string out;
  for (size_t i = 0; i < strBin1.size(); ++i) out += strBin1[i] == '1' && i < strBin2.size() && strBin2[i] == '1' ? '1' : '0';
  return out;
}

std::string BinToDec(const std::string& strBin) {
  double sum = 0, power = 1;
  for (size_t i = strBin.size(); i-- > 0; power *= 2)
    if (strBin[i] == '1') sum += power;
  return Str(sum);
}

bool IsNetworkIP(const std::string& strNetwork, const std::string& strMask, const std::string& strIP) {
  return ErrorBoundary("IsNetworkIP of mdlNet", false, [&]() -> bool {
    std::vector<std::string> network = Split(strNetwork, "."), mask = Split(strMask, "."), ip = Split(strIP, ".");
    if (network.size() < 4 || mask.size() < 4 || ip.size() < 4) RaiseError(errSubscript);
    for (size_t i = 0; i < 4; ++i) {
      std::string m = DecToBin(mask[i]);
      if (BinToDec(BinaryAnd(DecToBin(network[i]), m)) != BinToDec(BinaryAnd(DecToBin(ip[i]), m))) return false;
    }
    return true;
  });
}

}  // namespace mv
