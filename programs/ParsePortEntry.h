#pragma once
// The protocol and port pairs of a port entry text: a label, then
// " (TCP port 80)", " (UDP port 67)", " (TCP and UDP port 53)", a custom
// single port written as "5000 )", or a range "1000-2000)".
#include <string>
#include <utility>
#include <vector>

namespace mv {

// (protocol word, port text) pairs, TCP before UDP. Only the last bracketed
// group is read, so brackets in a user's label cannot change the result; an
// entry without a port gives no pair.
std::vector<std::pair<std::string, std::string>> ParsePortEntry(const std::string& text);

}  // namespace mv
