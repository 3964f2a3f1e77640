#pragma once
// The run-time conversions the system's code relies on: Val, CByte, CInt,
// CLng with their rounding and range checks, Format of numbers and dates,
// Split and the trimming functions. A value that does not fit raises
// RuntimeError, so a procedure ends exactly where an overflow would end it.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace mv {

class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int number, const std::string& description) : std::runtime_error(description), number_(number) {}
  int number() const { return number_; }

 private:
  int number_;
};

// Error numbers used by the system.
constexpr int errInvalidCall = 5;
constexpr int errOverflow = 6;
constexpr int errSubscript = 9;
constexpr int errTypeMismatch = 13;
[[noreturn]] void RaiseError(int number);

// Val: the number at the start of the text (blanks skipped, also between
// digits; "&H" and "&O" prefixes), 0 when there is none.
double Val(const std::string& text);

// Rounding to the nearest whole number, halves to even, with range checks.
std::uint8_t CByte(double v);
std::int16_t CInt(double v);
std::int32_t CLng(double v);
// Val followed by the conversion, as "CByte(Val(x))".
inline std::uint8_t ValByte(const std::string& s) { return CByte(Val(s)); }
inline std::int16_t ValInt(const std::string& s) { return CInt(Val(s)); }
inline std::int32_t ValLng(const std::string& s) { return CLng(Val(s)); }

// IsNumeric: the text, blanks around it aside, is a number (a sign, decimals
// and an exponent allowed) or an "&H" or "&O" number.
bool IsNumeric(const std::string& text);
// The value of a numeric text; any other text is a type mismatch.
double NumericValue(const std::string& text);

// A stored counter or number (row numbers, IDs, column key numbers): the
// whole part of Val when it lies in 0..2147483646, so that one more still
// fits a Long; 0 when the text is no number or one that does not fit, as for
// any unreadable counter.
long ValCounter(const std::string& text);
// Val as a Single (float); a number beyond its range gives `outOfRange`.
float ValSingle(const std::string& text, float outOfRange);

// Format of a whole number with a pattern of zeros ("0", "0000", "000000"):
// at least as many digits as the pattern has zeros.
std::string FormatNumber(long long n, const std::string& zeros);
// The shortest decimal text of a number, as CStr gives it ("5", "2.5").
std::string Str(double v);

// Dates.
struct Date {
  int year = 0, month = 0, day = 0;
  bool operator==(const Date&) const = default;
};
Date Today();
// Formats with "dd", "mm", "yyyy" placeholders ("dd-mm-yyyy", "yyyymmdd").
std::string FormatDate(const Date& d, const std::string& pattern);
// Reads a date written strictly as "dd-mm-yyyy"; false when it is not one.
bool ParseDateDMY(const std::string& text, Date& out);
// Days from a to b (b - a).
long DateDiffDays(const Date& a, const Date& b);
bool IsValidDate(const Date& d);
// Date serials: whole days since 30 December 1899, the time of day as the
// fraction.
double DateSerial(const Date& d);
Date DateOfSerial(double serial);
// The run time's date conversion of a text: a date day first ("31/12/2024",
// "31-12-2024", "31.12.2024") or year first ("2024-12-31"), a time ("23:59",
// "11:59:30 PM"), or a date followed by a time. Two-digit years are 1930 to
// 2029. False when the text is no date.
bool TextToDate(const std::string& text, double& serial);
// The run time's text of a date serial: "dd/mm/yyyy hh:mm:ss"; a serial
// without a day shows only its time, one at midnight only its date.
std::string DateToText(double serial);
// Date and time as the diagnostic logs write them.
std::string NowDateText();
std::string NowTimeText();

// Split: "" gives an empty list; otherwise the pieces between delimiters.
std::vector<std::string> Split(const std::string& text, const std::string& delimiter);
std::string LTrim(const std::string& s);  // spaces only
std::string RTrim(const std::string& s);
std::string Trim(const std::string& s);
std::string LCase(const std::string& s);
std::string UCase(const std::string& s);
// Equal without regard to (ASCII) case.
bool SameText(const std::string& a, const std::string& b);

}  // namespace mv
