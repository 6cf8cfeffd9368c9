#include "engine/core/value.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "engine/core/engine_log.h"

namespace engine {

namespace {

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// atoi's reading: leading blanks, one sign, then digits. Saturates far outside the 32-bit
// ranges so the callers can clamp.
int64_t LeadingInteger(const std::string& text) {
  const char* p = text.c_str();
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) magnitude = std::min<int64_t>(magnitude * 10 + (*p - '0'), int64_t{1} << 40);
  return negative ? -magnitude : magnitude;
}

bool IsIntegerTag(uint8_t tag) { return tag == Value::kInt || tag == Value::kUInt || tag == Value::kBool; }

// Integer arithmetic wraps like the two's complement machine it was written for; a zero divisor
// gives 0 instead of a fault.
int IntOp(char op, int a, int b) {
  const auto ua = static_cast<uint32_t>(a);
  const auto ub = static_cast<uint32_t>(b);
  switch (op) {
    case '+':
      return static_cast<int>(ua + ub);
    case '-':
      return static_cast<int>(ua - ub);
    case '*':
      return static_cast<int>(ua * ub);
    default:
      if (b == 0) {
        WriteGameLog("Value: integer division of %d by zero gives 0", a);
        return 0;
      }
      if (a == INT_MIN && b == -1) return INT_MIN;
      return a / b;
  }
}

unsigned UIntOp(char op, unsigned a, unsigned b) {
  switch (op) {
    case '+':
      return a + b;
    case '-':
      return a - b;
    case '*':
      return a * b;
    default:
      if (b == 0) {
        WriteGameLog("Value: unsigned division of %u by zero gives 0", a);
        return 0;
      }
      return a / b;
  }
}

double DoubleOp(char op, double a, double b) {
  switch (op) {
    case '+':
      return a + b;
    case '-':
      return a - b;
    case '*':
      return a * b;
    default:
      return a / b;
  }
}

Value TextValue(std::string text, uint8_t flag) {
  Value value;
  value = text;
  value.SetTag(Value::kText, flag);
  return value;
}

const char* OrEmpty(const char* s) { return s != nullptr ? s : ""; }

// "a - b" on texts: b's text when a's text holds it, else a itself.
Value TextDifference(const Value& a, const std::string& b) {
  if (a.Text().find(b) != std::string::npos) return TextValue(b, 0);
  return a;
}

Value ValueOp(char op, const Value& a, const Value& b) {
  if (IsIntegerTag(a.GetTag())) return Value(IntOp(op, a.AsInt(), b.AsInt()), a.Flag());
  if (a.GetTag() == Value::kDouble) return Value(DoubleOp(op, a.AsDouble(), b.AsDouble()), b.Flag());
  if (op == '+' || op == '*') return TextValue(a.Text() + b.Text(), a.Flag());
  return TextDifference(a, b.Text());
}

// The outcome of comparing two numbers or texts. A NaN is unordered against anything: every
// comparison with it is false, save !=.
enum Order : int { kLess = -1, kEqual = 0, kGreater = 1, kUnordered = 2 };

template <class T>
Order Compare3(T x, T y) {
  if constexpr (std::is_floating_point_v<T>) {
    if (std::isnan(x) || std::isnan(y)) return kUnordered;
  }
  return x < y ? kLess : (y < x ? kGreater : kEqual);
}

Order CompareTexts(const std::string& a, const char* b) {
  const int c = std::strcmp(a.c_str(), b);
  return c < 0 ? kLess : (c > 0 ? kGreater : kEqual);
}

// Three-way comparison of a value against an operand, read the left value's way.
Order Compare(const Value& a, const Value& b) {
  if (IsIntegerTag(a.GetTag())) return Compare3(a.AsInt(), b.AsInt());
  if (a.GetTag() == Value::kDouble) return Compare3(a.AsDouble(), b.AsDouble());
  return CompareTexts(a.Text(), b.Text().c_str());
}

Order Compare(const Value& v, int n) { return Compare3(v.AsInt(), n); }
Order Compare(const Value& v, unsigned n) { return Compare3(v.AsUInt(), n); }
Order Compare(const Value& v, double x) { return Compare3(v.AsDouble(), x); }
Order Compare(const Value& v, bool b) { return Compare3(v.GetTag() != 0 ? 1 : 0, b ? 1 : 0); }
Order Compare(const Value& v, const char* s) { return CompareTexts(v.Text(), OrEmpty(s)); }

bool IsLessOrEqual(Order c) { return c == kLess || c == kEqual; }
bool IsGreaterOrEqual(Order c) { return c == kGreater || c == kEqual; }

}  // namespace

std::string Value::IntText(int number) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  return std::string(buffer, result.ptr);
}

std::string Value::UIntText(unsigned number) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  return std::string(buffer, result.ptr);
}

std::string Value::BoolText(bool truth) { return truth ? "TRUE" : "FALSE"; }

std::string Value::DoubleText(double number) {
  // "%f" of the largest double takes 317 bytes.
  char buffer[400];
  const int length = std::snprintf(buffer, sizeof buffer, "%f", number);
  return std::string(buffer, static_cast<size_t>(std::clamp(length, 0, static_cast<int>(sizeof buffer) - 1)));
}

Value::Value(int number, uint8_t flag) : text_(IntText(number)), tag_(kInt), flag_(flag) {}
Value::Value(bool truth, uint8_t flag) : text_(BoolText(truth)), tag_(kBool), flag_(flag) {}
Value::Value(double number, uint8_t flag) : text_(DoubleText(number)), tag_(kDouble), flag_(flag) {}
Value::Value(unsigned number, uint8_t flag) : text_(UIntText(number)), tag_(kUInt), flag_(flag) {}

Value::Value(const char* text, int count, uint8_t flag) : flag_(flag) {
  if (text != nullptr && count != 0) Set(text, kText);
}

int Value::AsInt() const { return static_cast<int>(std::clamp<int64_t>(LeadingInteger(text_), INT_MIN, INT_MAX)); }

unsigned Value::AsUInt() const {
  // Negative texts read as their int's bit pattern, as an int cast to unsigned would.
  return static_cast<unsigned>(std::clamp<int64_t>(LeadingInteger(text_), INT_MIN, UINT_MAX));
}

double Value::AsDouble() const { return std::atof(text_.c_str()); }

int Value::AsBool() const {
  if (text_ == "TRUE") return 1;
  if (text_ == "FALSE") return 0;
  return AsInt();
}

char Value::CharAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= text_.size()) return 0;
  return text_[static_cast<size_t>(index)];
}

uint8_t Value::SetTag(uint8_t tag, uint8_t flag) {
  tag_ = tag;
  flag_ = flag;
  return flag_;
}

void Value::Classify() {
  bool numeric = true;
  bool point = false;
  for (size_t i = 0; i < text_.size() && numeric; ++i) {
    const char c = text_[i];
    if (c >= '0' && c <= '9') continue;
    if ((c == '+' || c == '-') && i == 0) continue;
    if (c == '.') {
      point = true;
      continue;
    }
    numeric = false;
  }
  tag_ = !numeric ? kText : point ? kDouble : kInt;
}

int Value::FindOutsideQuotes(char delimiter, int start) const {
  const int length = static_cast<int>(text_.size());
  bool quoted = false;
  for (int i = std::clamp(start, 0, length); i < length; ++i) {
    const char c = text_[static_cast<size_t>(i)];
    if (c == '"')
      quoted = !quoted;
    else if (c == delimiter && !quoted)
      return i;
  }
  return length;
}

Value& Value::operator=(const std::string& text) {
  Set(text, kText);
  flag_ = 0;
  return *this;
}

Value& Value::operator=(const char* text) {
  Set(OrEmpty(text), kText);
  return *this;
}

Value& Value::operator=(int number) {
  Set(IntText(number), kInt);
  return *this;
}

Value& Value::operator=(double number) {
  Set(DoubleText(number), kDouble);
  return *this;
}

Value& Value::operator=(bool truth) {
  Set(BoolText(truth), kBool);
  return *this;
}

Value& Value::operator=(unsigned number) {
  Set(UIntText(number), kUInt);
  return *this;
}

Value& Value::operator+=(const Value& other) {
  Append(other.text_, other.tag_);
  flag_ = other.flag_;
  return *this;
}

Value& Value::operator+=(const char* text) {
  Append(OrEmpty(text), kText);
  return *this;
}

Value& Value::operator+=(int number) {
  Append(IntText(number), kInt);
  return *this;
}

Value& Value::operator+=(double number) {
  Append(DoubleText(number), kDouble);
  return *this;
}

Value& Value::operator+=(bool truth) {
  Append(BoolText(truth), kBool);
  return *this;
}

Value& Value::operator+=(unsigned number) {
  Append(UIntText(number), kUInt);
  return *this;
}

Value operator+(const Value& a, const Value& b) { return ValueOp('+', a, b); }
Value operator-(const Value& a, const Value& b) { return ValueOp('-', a, b); }
Value operator*(const Value& a, const Value& b) { return ValueOp('*', a, b); }
Value operator/(const Value& a, const Value& b) { return ValueOp('/', a, b); }

int operator+(const Value& v, int n) { return IntOp('+', v.AsInt(), n); }
int operator-(const Value& v, int n) { return IntOp('-', v.AsInt(), n); }
int operator*(const Value& v, int n) { return IntOp('*', v.AsInt(), n); }
int operator/(const Value& v, int n) { return IntOp('/', v.AsInt(), n); }
int operator+(int n, const Value& v) { return IntOp('+', n, v.AsInt()); }
int operator-(int n, const Value& v) { return IntOp('-', n, v.AsInt()); }
int operator*(int n, const Value& v) { return IntOp('*', n, v.AsInt()); }
int operator/(int n, const Value& v) { return IntOp('/', n, v.AsInt()); }

unsigned operator+(const Value& v, unsigned n) { return UIntOp('+', v.AsUInt(), n); }
unsigned operator-(const Value& v, unsigned n) { return UIntOp('-', v.AsUInt(), n); }
unsigned operator*(const Value& v, unsigned n) { return UIntOp('*', v.AsUInt(), n); }
unsigned operator/(const Value& v, unsigned n) { return UIntOp('/', v.AsUInt(), n); }
unsigned operator+(unsigned n, const Value& v) { return UIntOp('+', n, v.AsUInt()); }
unsigned operator-(unsigned n, const Value& v) { return UIntOp('-', n, v.AsUInt()); }
unsigned operator*(unsigned n, const Value& v) { return UIntOp('*', n, v.AsUInt()); }
unsigned operator/(unsigned n, const Value& v) { return UIntOp('/', n, v.AsUInt()); }

double operator+(const Value& v, double x) { return DoubleOp('+', v.AsDouble(), x); }
double operator-(const Value& v, double x) { return DoubleOp('-', v.AsDouble(), x); }
double operator*(const Value& v, double x) { return DoubleOp('*', v.AsDouble(), x); }
double operator/(const Value& v, double x) { return DoubleOp('/', v.AsDouble(), x); }
double operator+(double x, const Value& v) { return DoubleOp('+', x, v.AsDouble()); }
double operator-(double x, const Value& v) { return DoubleOp('-', x, v.AsDouble()); }
double operator*(double x, const Value& v) { return DoubleOp('*', x, v.AsDouble()); }
double operator/(double x, const Value& v) { return DoubleOp('/', x, v.AsDouble()); }

Value operator+(const Value& v, const char* s) { return TextValue(v.Text() + OrEmpty(s), 0); }
Value operator+(const char* s, const Value& v) { return TextValue(OrEmpty(s) + v.Text(), 0); }
Value operator*(const Value& v, const char* s) { return TextValue(v.Text() + OrEmpty(s), 0); }
Value operator*(const char* s, const Value& v) { return TextValue(v.Text() + OrEmpty(s), 0); }
Value operator-(const Value& v, const char* s) { return TextDifference(v, OrEmpty(s)); }
Value operator/(const Value& v, const char* s) { return TextDifference(v, OrEmpty(s)); }

Value operator-(const char* s, const Value& v) {
  const std::string text = OrEmpty(s);
  return TextValue(text.find(v.Text()) != std::string::npos ? v.Text() : text, 0);
}

Value operator/(const char* s, const Value& v) { return s - v; }

// With the plain operand written first, the value is still compared against it, and the
// operator's meaning is kept: n < v holds when v is greater than n.
#define ENGINE_VALUE_COMPARISONS(Operand)                                                \
  bool operator==(const Value& v, Operand n) { return Compare(v, n) == kEqual; }         \
  bool operator!=(const Value& v, Operand n) { return Compare(v, n) != kEqual; }         \
  bool operator<(const Value& v, Operand n) { return Compare(v, n) == kLess; }           \
  bool operator<=(const Value& v, Operand n) { return IsLessOrEqual(Compare(v, n)); }    \
  bool operator>(const Value& v, Operand n) { return Compare(v, n) == kGreater; }        \
  bool operator>=(const Value& v, Operand n) { return IsGreaterOrEqual(Compare(v, n)); } \
  bool operator==(Operand n, const Value& v) { return Compare(v, n) == kEqual; }         \
  bool operator!=(Operand n, const Value& v) { return Compare(v, n) != kEqual; }         \
  bool operator<(Operand n, const Value& v) { return Compare(v, n) == kGreater; }        \
  bool operator<=(Operand n, const Value& v) { return IsGreaterOrEqual(Compare(v, n)); } \
  bool operator>(Operand n, const Value& v) { return Compare(v, n) == kLess; }           \
  bool operator>=(Operand n, const Value& v) { return IsLessOrEqual(Compare(v, n)); }
ENGINE_VALUE_COMPARISONS(int)
ENGINE_VALUE_COMPARISONS(unsigned)
ENGINE_VALUE_COMPARISONS(double)
ENGINE_VALUE_COMPARISONS(bool)
ENGINE_VALUE_COMPARISONS(const char*)
#undef ENGINE_VALUE_COMPARISONS

bool operator==(const Value& a, const Value& b) { return Compare(a, b) == kEqual; }
bool operator!=(const Value& a, const Value& b) { return Compare(a, b) != kEqual; }
bool operator<(const Value& a, const Value& b) { return Compare(a, b) == kLess; }
bool operator<=(const Value& a, const Value& b) { return IsLessOrEqual(Compare(a, b)); }
bool operator>(const Value& a, const Value& b) { return Compare(a, b) == kGreater; }
bool operator>=(const Value& a, const Value& b) { return IsGreaterOrEqual(Compare(a, b)); }

int ParseValueList(std::string_view text, std::vector<Value>& list) {
  if (text.empty()) return 0;
  size_t start = 0;
  for (size_t comma = text.find(','); comma != std::string_view::npos; comma = text.find(',', start)) {
    list.push_back(TextValue(std::string(text.substr(start, comma - start)), 0));
    start = comma + 1;
  }
  if (start < text.size()) list.push_back(TextValue(std::string(text.substr(start)), 0));
  return static_cast<int>(list.size());
}

}  // namespace engine
