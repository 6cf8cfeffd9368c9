// A loosely typed value: a text together with a tag saying how the text is meant.
//
// Numbers are kept as their decimal text and converted when used, so a value prints without
// conversion. Arithmetic and comparisons between two values follow the LEFT operand's tag:
// integer tags (10, 20, 40) compute on AsInt, 30 on AsDouble, text and empty values on the texts
// ("-" and "/" on texts give the right text when the left one contains it, else the left value).
// Arithmetic with a plain number gives a plain number. The flag byte is the caller's own.
// Integer division by zero gives 0 (logged) rather than a fault.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

class Value {
 public:
  enum Tag : uint8_t { kNone = 0, kText = 5, kInt = 10, kBool = 20, kDouble = 30, kUInt = 40 };

  Value() = default;
  Value(const Value&) = default;
  explicit Value(int number, uint8_t flag = 0);
  explicit Value(bool truth, uint8_t flag = 0);
  explicit Value(double number, uint8_t flag = 0);
  explicit Value(unsigned number, uint8_t flag = 0);
  // The text (up to its terminator) with tag 5 when text is given and count is non-zero;
  // otherwise an empty value with tag 0. count is only tested.
  explicit Value(const char* text, int count = 1, uint8_t flag = 0);

  // Text forms the value writes: "%d", "%u", "TRUE"/"FALSE", "%f".
  static std::string IntText(int number);
  static std::string UIntText(unsigned number);
  static std::string BoolText(bool truth);
  static std::string DoubleText(double number);

  std::string ToString() const { return text_; }
  const std::string& Text() const { return text_; }
  uint8_t GetTag() const { return tag_; }
  uint8_t Flag() const { return flag_; }

  // atoi rules (leading blanks, sign, digits; 0 when none), held to the int range.
  int AsInt() const;
  // The same reading as unsigned; texts up to 4294967295 read in full.
  unsigned AsUInt() const;
  // atof rules.
  double AsDouble() const;
  // 1 for exactly "TRUE", 0 for exactly "FALSE", otherwise AsInt.
  int AsBool() const;
  // The byte at index; 0 outside the text.
  char CharAt(int index) const;

  // Sets tag and flag; returns the flag.
  uint8_t SetTag(uint8_t tag, uint8_t flag);
  // Tag 0; text and flag are kept.
  void Clear() { tag_ = kNone; }
  // Tag from the text: digits with an optional leading sign are 10 (30 with any '.'),
  // anything else 5. An empty text or a lone sign counts as 10.
  void Classify();
  // Index of the first delimiter at or after start that is not inside double quotes;
  // the text's length when there is none.
  int FindOutsideQuotes(char delimiter, int start) const;

  Value& operator=(const Value&) = default;
  Value& operator=(const std::string& text);  // tag 5, flag 0
  Value& operator=(const char* text);         // tag 5, flag kept
  Value& operator=(int number);
  Value& operator=(double number);
  Value& operator=(bool truth);
  Value& operator=(unsigned number);

  Value& operator+=(const Value& other);  // texts joined; other's tag and flag
  Value& operator+=(const char* text);    // tag 5
  Value& operator+=(int number);          // text form appended; the number's tag
  Value& operator+=(double number);
  Value& operator+=(bool truth);
  Value& operator+=(unsigned number);

 private:
  void Set(std::string text, uint8_t tag) {
    text_ = std::move(text);
    tag_ = tag;
  }
  void Append(std::string_view text, uint8_t tag) {
    text_ += text;
    tag_ = tag;
  }

  std::string text_;
  uint8_t tag_ = kNone;
  uint8_t flag_ = 0;
};

// Two values: the kind of operation follows the left operand's tag.
Value operator+(const Value& a, const Value& b);
Value operator-(const Value& a, const Value& b);
Value operator*(const Value& a, const Value& b);
Value operator/(const Value& a, const Value& b);

// A value and a plain number, in either order: a plain number.
int operator+(const Value& v, int n);
int operator-(const Value& v, int n);
int operator*(const Value& v, int n);
int operator/(const Value& v, int n);
int operator+(int n, const Value& v);
int operator-(int n, const Value& v);
int operator*(int n, const Value& v);
int operator/(int n, const Value& v);
unsigned operator+(const Value& v, unsigned n);
unsigned operator-(const Value& v, unsigned n);
unsigned operator*(const Value& v, unsigned n);
unsigned operator/(const Value& v, unsigned n);
unsigned operator+(unsigned n, const Value& v);
unsigned operator-(unsigned n, const Value& v);
unsigned operator*(unsigned n, const Value& v);
unsigned operator/(unsigned n, const Value& v);
double operator+(const Value& v, double x);
double operator-(const Value& v, double x);
double operator*(const Value& v, double x);
double operator/(const Value& v, double x);
double operator+(double x, const Value& v);
double operator-(double x, const Value& v);
double operator*(double x, const Value& v);
double operator/(double x, const Value& v);

// A value and a text: text values (tag 5).
Value operator+(const Value& v, const char* s);  // v's text + s
Value operator+(const char* s, const Value& v);  // s + v's text
Value operator*(const Value& v, const char* s);  // v's text + s
Value operator*(const char* s, const Value& v);  // v's text + s
Value operator-(const Value& v, const char* s);  // s when v's text holds it, else v
Value operator/(const Value& v, const char* s);  // as -
Value operator-(const char* s, const Value& v);  // v's text when s holds it, else s
Value operator/(const char* s, const Value& v);  // as -

// Comparisons. Two values: by the left tag (integers, doubles, else the texts byte by byte).
// With a plain operand the value is read the operand's way; a bool compares "has a tag".
// With the plain operand written first the operator keeps its meaning (n < v is v > n).
// Doubles compare as numbers do: a NaN (a double division's 0 / 0, or the text "nan") is
// unordered, so every comparison with it is false except !=.
#define ENGINE_VALUE_COMPARISONS(Operand)     \
  bool operator==(const Value& v, Operand n); \
  bool operator!=(const Value& v, Operand n); \
  bool operator<(const Value& v, Operand n);  \
  bool operator<=(const Value& v, Operand n); \
  bool operator>(const Value& v, Operand n);  \
  bool operator>=(const Value& v, Operand n); \
  bool operator==(Operand n, const Value& v); \
  bool operator!=(Operand n, const Value& v); \
  bool operator<(Operand n, const Value& v);  \
  bool operator<=(Operand n, const Value& v); \
  bool operator>(Operand n, const Value& v);  \
  bool operator>=(Operand n, const Value& v);
ENGINE_VALUE_COMPARISONS(int)
ENGINE_VALUE_COMPARISONS(unsigned)
ENGINE_VALUE_COMPARISONS(double)
ENGINE_VALUE_COMPARISONS(bool)
ENGINE_VALUE_COMPARISONS(const char*)
#undef ENGINE_VALUE_COMPARISONS

bool operator==(const Value& a, const Value& b);
bool operator!=(const Value& a, const Value& b);
bool operator<(const Value& a, const Value& b);
bool operator<=(const Value& a, const Value& b);
bool operator>(const Value& a, const Value& b);
bool operator>=(const Value& a, const Value& b);

// Splits text at every ',' into text values appended to list (empty pieces included, an empty
// piece after the last comma not); returns the list's size. An empty text returns 0 and leaves
// the list alone.
int ParseValueList(std::string_view text, std::vector<Value>& list);

}  // namespace engine
