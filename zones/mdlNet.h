#pragma once
// Whether an address lies in a network given by an address and a subnet
// mask, worked out octet by octet on texts of "1" and "0".
#include <string>

namespace mv {

// True when the address and the network address agree in every bit the mask
// sets. False (and logged) when one of the three has fewer than four octets.
bool IsNetworkIP(const std::string& strNetwork, const std::string& strMask, const std::string& strIP);

// The low eight bits of the text's value (rounded to a whole number), as
// eight characters "1" or "0", the highest bit first.
std::string DecToBin(const std::string& strDec);
// "1" where both texts have "1", "0" elsewhere, over the first text's length.
std::string BinaryAnd(const std::string& strBin1, const std::string& strBin2);
// The value of a text of "1" and "0" as decimal text.
std::string BinToDec(const std::string& strBin);

}  // namespace mv
