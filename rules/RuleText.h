#pragma once
// What text may stand in the engine's rule file. The file is read line by
// line as "[section]" headers and "key=value" lines, and a rule as words
// separated by blanks: a text that holds a line break, another control
// character or a piece of that structure would add lines, sections or rules
// of its own. Such text is refused where it enters the system (stores, event
// log, dialogs) and skipped where the rule file is written.
#include <string>
#include <string_view>

namespace mv {

enum class RulePart {
  Section,  // a section name: no "[" or "]"
  Key,      // a key (a program's or component's path): no "=", does not start
            // with "[" or ";", no blank at either end
  Value,    // the text after "=" of a line
  Word,     // one word of a rule (address, port, key value): no blank
};

// Why the text cannot stand in the rule file as that part; "" when it can.
// Every part refuses control characters (codes 0-31 and 127).
std::string RuleTextProblem(std::string_view text, RulePart part);
// Whether a word of a rule can stand in the rule file (RulePart::Word),
// without making the problem's text: no control character and no blank.
inline bool RuleWordFits(std::string_view word) {
  for (unsigned char c : word)
    if (c <= ' ' || c == 127) return false;
  return true;
}

// The check for a program's or component's path as it enters the system: it
// becomes a key of the rule file.
inline std::string StoredPathProblem(std::string_view path) { return RuleTextProblem(path, RulePart::Key); }
// Raises a RuntimeError naming the problem when the path has one.
void RefuseUnsafePath(std::string_view path);

// The text shown in Err.log for a refused text: control characters as <HH>.
std::string PrintableText(std::string_view text);

}  // namespace mv
