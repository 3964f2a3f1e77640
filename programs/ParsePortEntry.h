#pragma once
// The protocol and port pairs of a port entry text: a label, then
// " (TCP port 80)", " (UDP port 67)", " (TCP and UDP port 53)", a custom
// single port written as "5000 )", or a range "1000-2000)".
#include <string>
#include <utility>
#include <vector>

namespace mv {

// (protocol word, port text) pairs, TCP before UDP. Only the last bracketed
// group is read, so brackets in a user's label cannot change the result. An
// entry without a port gives no pair, and so does one whose port text is not
// a port (1 to 65535) or a range of them from low to high; that text is then
// put into `refused`, when given, for the caller to log.
std::vector<std::pair<std::string, std::string>> ParsePortEntry(const std::string& text,
                                                                std::string* refused = nullptr);

// True for a port text as entries hold it: one port from 1 to 65535 in
// decimal digits, or two joined by "-" with the first not above the second;
// blanks around it are allowed.
bool IsPortText(const std::string& port);

}  // namespace mv
