#pragma once
// The text form of private-profile (INI) files: how a line is classified and
// how a value is carried on a line.
#include <string>
#include <string_view>

namespace mv::platform {

// Blanks that the profile functions trim around names and values.
bool isProfileBlank(char c);
std::string_view trimProfileBlanks(std::string_view s);
// A name as the profile functions compare it: ASCII letters lower-cased.
std::string lowerProfileName(std::string_view s);

// A value goes on a line as it stands unless a line cannot carry it faithfully:
// bytes 0, CR or LF, blanks at either end, or enclosing quotes. Such a value is
// written in double quotes with those bytes (and "%" and '"') as %HH.
bool valueNeedsEscape(std::string_view value);
std::string encodeProfileValue(std::string_view value);

// The value of a line as read: trimmed; enclosing double quotes removed with
// %HH decoded inside them; enclosing single quotes removed.
std::string decodeProfileValue(std::string_view raw);

// Bytes written as "%HH" (upper-case hex) where a text must not carry them:
// every byte of `specials`, and "%" itself.
std::string percentEncode(std::string_view text, std::string_view specials);
// Each "%HH" back to its byte; a "%" without two hex digits stays as it is.
std::string percentDecode(std::string_view text);

// Classification of one line (without its line end).
struct ProfileLine {
  enum Kind { Other, Section, Entry, Comment, Blank } kind = Other;
  std::string_view name;   // section name or key name, trimmed
  std::string_view value;  // raw value text after the first "=" (entries only)
  bool hasEquals = false;
};
ProfileLine classifyProfileLine(std::string_view line);

// Why the text of a settings file is damaged; "" when it is sound. A file is
// damaged when it ends inside a line, holds a NUL byte, a line that is neither
// a section header, a key line, a comment nor blank, or a key line before its
// first section, or lacks a section or key that `reference` (the file's
// built-in default) holds. Names are compared as the profile functions
// compare them; a leading byte-order mark is passed over.
std::string profileTextDamage(std::string_view text, std::string_view reference);

}  // namespace mv::platform
