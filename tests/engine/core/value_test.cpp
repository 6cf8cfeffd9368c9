// ctest-labels: foundation
#include "engine/core/value.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>

#include "tests/support/game_log_reader.h"

namespace engine {
namespace {

void ExpectValue(const Value& v, const std::string& text, uint8_t tag, uint8_t flag) {
  EXPECT_EQ(v.Text(), text);
  EXPECT_EQ(v.GetTag(), tag);
  EXPECT_EQ(v.Flag(), flag);
}

TEST(Value, ConstructorsWriteTheirTextForms) {
  ExpectValue(Value(42, 7), "42", Value::kInt, 7);
  ExpectValue(Value(-17), "-17", Value::kInt, 0);
  ExpectValue(Value(3000000000u, 2), "3000000000", Value::kUInt, 2);
  ExpectValue(Value(true), "TRUE", Value::kBool, 0);
  ExpectValue(Value(false, 1), "FALSE", Value::kBool, 1);
  ExpectValue(Value(1.5), "1.500000", Value::kDouble, 0);
  ExpectValue(Value("abc", 3, 9), "abc", Value::kText, 9);
  ExpectValue(Value("abc", 0, 9), "", Value::kNone, 9);
  ExpectValue(Value(nullptr, 1), "", Value::kNone, 0);
  ExpectValue(Value(), "", Value::kNone, 0);
  Value copy(Value(5, 4));
  ExpectValue(copy, "5", Value::kInt, 4);
}

TEST(Value, DoublesOfAnySizePrintWhole) {
  // Far beyond the twenty characters a small buffer would hold.
  const Value big(1e300);
  EXPECT_EQ(big.Text().size(), 301u + 7u);
  EXPECT_EQ(big.Text().substr(big.Text().size() - 7), ".000000");
  EXPECT_DOUBLE_EQ(big.AsDouble(), 1e300);
  const Value largest(-DBL_MAX);
  EXPECT_EQ(largest.Text().size(), 317u);
  ExpectValue(Value(123456789012.25), "123456789012.250000", Value::kDouble, 0);
  EXPECT_EQ(Value(1.0 / 3.0).Text(), "0.333333");
}

TEST(Value, Readers) {
  EXPECT_EQ(Value("  -12abc", 1).AsInt(), -12);
  EXPECT_EQ(Value("x1", 1).AsInt(), 0);
  EXPECT_EQ(Value("99999999999", 1).AsInt(), INT_MAX);
  EXPECT_EQ(Value("-99999999999", 1).AsInt(), INT_MIN);
  EXPECT_EQ(Value(3000000000u).AsUInt(), 3000000000u);
  EXPECT_EQ(Value(4294967295u).AsUInt(), 4294967295u);
  EXPECT_EQ(Value(-1).AsUInt(), 4294967295u);
  EXPECT_DOUBLE_EQ(Value(" 2.5e3x", 1).AsDouble(), 2500.0);
  EXPECT_EQ(Value("True", 1).AsBool(), 0);
  EXPECT_EQ(Value("TRUE", 1).AsBool(), 1);
  EXPECT_EQ(Value("FALSE", 1).AsBool(), 0);
  EXPECT_EQ(Value("17", 1).AsBool(), 17);

  const Value abc("abc", 1);
  EXPECT_EQ(abc.CharAt(1), 'b');
  EXPECT_EQ(abc.CharAt(3), 0);
  EXPECT_EQ(abc.CharAt(100), 0);
  EXPECT_EQ(abc.CharAt(-1), 0);
  EXPECT_EQ(abc.ToString(), "abc");

  const Value quoted("a,\"b,c\",d", 1);
  EXPECT_EQ(quoted.FindOutsideQuotes(',', 0), 1);
  EXPECT_EQ(quoted.FindOutsideQuotes(',', 2), 7);
  EXPECT_EQ(quoted.FindOutsideQuotes(';', 0), 9);
  EXPECT_EQ(quoted.FindOutsideQuotes(',', 50), 9);
}

TEST(Value, TagsAndClassify) {
  Value v("x", 1, 3);
  EXPECT_EQ(v.SetTag(Value::kInt, 8), 8);
  ExpectValue(v, "x", Value::kInt, 8);
  v.Clear();
  ExpectValue(v, "x", Value::kNone, 8);

  const std::pair<const char*, uint8_t> cases[] = {
      {"-12", Value::kInt}, {"1.2.3", Value::kDouble}, {"1e5", Value::kText},  {"", Value::kInt},
      {"+", Value::kInt},   {"3-", Value::kText},      {".5", Value::kDouble}, {"中", Value::kText}};
  for (const auto& [text, tag] : cases) {
    Value c(text, 1);
    c.Classify();
    EXPECT_EQ(c.GetTag(), tag) << text;
  }
}

TEST(Value, AssignmentAndAppending) {
  Value v(42, 7);
  v = 1.5;
  ExpectValue(v, "1.500000", Value::kDouble, 7);
  v = 3u;
  ExpectValue(v, "3", Value::kUInt, 7);
  v = false;
  ExpectValue(v, "FALSE", Value::kBool, 7);
  v = "text";
  ExpectValue(v, "text", Value::kText, 7);
  v = std::string("str");
  ExpectValue(v, "str", Value::kText, 0);
  v = Value(9, 4);
  ExpectValue(v, "9", Value::kInt, 4);

  v += 12;
  ExpectValue(v, "912", Value::kInt, 4);
  v += 0.5;
  ExpectValue(v, "9120.500000", Value::kDouble, 4);
  v += true;
  ExpectValue(v, "9120.500000TRUE", Value::kBool, 4);
  v += 1u;
  ExpectValue(v, "9120.500000TRUE1", Value::kUInt, 4);
  v += "!";
  ExpectValue(v, "9120.500000TRUE1!", Value::kText, 4);
  v = "a";
  v += Value(2, 6);
  ExpectValue(v, "a2", Value::kInt, 6);
}

TEST(Value, ArithmeticBetweenValuesFollowsTheLeftTag) {
  const Value seven(7, 1), two(2, 2);
  ExpectValue(seven + two, "9", Value::kInt, 1);
  ExpectValue(seven - two, "5", Value::kInt, 1);
  ExpectValue(seven * two, "14", Value::kInt, 1);
  ExpectValue(seven / two, "3", Value::kInt, 1);
  ExpectValue(Value(-7) / two, "-3", Value::kInt, 0);
  ExpectValue(Value(true) + seven, "7", Value::kInt, 0);                    // "TRUE" reads as 0 through AsInt
  ExpectValue(Value(5u, 3) * Value(1.5), "5", Value::kInt, 3);              // integer kind: 1.5 reads as 1
  ExpectValue(Value(1.5, 1) + Value(2, 9), "3.500000", Value::kDouble, 9);  // right's flag
  ExpectValue(Value(1.0) / Value(0), "inf", Value::kDouble, 0);

  const Value abc("abc", 1, 4), def("def", 1, 5), b("b", 1, 6), x("x", 1, 7);
  ExpectValue(abc + def, "abcdef", Value::kText, 4);
  ExpectValue(abc * def, "abcdef", Value::kText, 4);
  ExpectValue(abc - b, "b", Value::kText, 0);
  ExpectValue(abc / b, "b", Value::kText, 0);
  ExpectValue(abc - x, "abc", Value::kText, 4);
  ExpectValue(Value() + Value(3), "3", Value::kText, 0);
}

TEST(Value, IntegerDivisionByZeroAndOverflowDoNotFault) {
  testing::GameLogReader log;
  ExpectValue(Value(7, 3) / Value(0), "0", Value::kInt, 3);
  ExpectValue(Value(7) / Value("abc", 1), "0", Value::kInt, 0);
  ExpectValue(Value(INT_MIN) / Value(-1), std::to_string(INT_MIN), Value::kInt, 0);
  ExpectValue(Value(INT_MAX) + Value(1), std::to_string(INT_MIN), Value::kInt, 0);
  EXPECT_EQ(Value(7) / 0, 0);
  EXPECT_EQ(7 / Value(0), 0);
  EXPECT_EQ(Value(7u) / 0u, 0u);
  EXPECT_EQ(7u / Value(0u), 0u);
  EXPECT_TRUE(std::isinf(Value(7.0) / 0.0));
  EXPECT_NE(log.Text().find("Value: integer division of 7 by zero gives 0"), std::string::npos);
}

TEST(Value, ArithmeticWithPlainNumbersGivesPlainNumbers) {
  const Value ten("10", 1);
  EXPECT_EQ(ten + 5, 15);
  EXPECT_EQ(ten - 3, 7);
  EXPECT_EQ(3 - ten, -7);
  EXPECT_EQ(ten * -2, -20);
  EXPECT_EQ(100 / ten, 10);
  EXPECT_EQ(ten - 11u, 4294967295u);
  EXPECT_EQ(Value(3000000000u) / 2u, 1500000000u);
  EXPECT_EQ(30u / ten, 3u);
  EXPECT_DOUBLE_EQ(ten / 4.0, 2.5);
  EXPECT_DOUBLE_EQ(1.0 - ten, -9.0);
  EXPECT_DOUBLE_EQ(Value(0.5) * 3.0, 1.5);
}

TEST(Value, ArithmeticWithTexts) {
  const Value v("abc", 1, 5);
  ExpectValue(v + "de", "abcde", Value::kText, 0);
  ExpectValue("de" + v, "deabc", Value::kText, 0);
  ExpectValue(v * "de", "abcde", Value::kText, 0);
  ExpectValue("de" * v, "abcde", Value::kText, 0);
  ExpectValue(v - "bc", "bc", Value::kText, 0);
  ExpectValue(v / "zz", "abc", Value::kText, 5);
  ExpectValue("xabcx" - v, "abc", Value::kText, 0);
  ExpectValue("xyz" / v, "xyz", Value::kText, 0);
  ExpectValue(Value(12) + "px", "12px", Value::kText, 0);
  ExpectValue(v + static_cast<const char*>(nullptr), "abc", Value::kText, 0);
}

TEST(Value, ComparisonsBetweenValuesFollowTheLeftTag) {
  const Value intTen(10), textNine("9", 1), textTen("10", 1);
  EXPECT_TRUE(intTen > textNine);   // integers: 10 > 9
  EXPECT_TRUE(textTen < textNine);  // texts: "10" sorts before "9"
  EXPECT_TRUE(Value(2.5) < Value("2.75", 1));
  EXPECT_TRUE(Value(2.5) == Value("2.5", 1));
  EXPECT_TRUE(Value(2) == Value(2.5));  // integer kind: 2.5 reads as 2
  EXPECT_TRUE(Value("abc", 1) != Value("abd", 1));
  EXPECT_TRUE(Value("abc", 1) <= Value("abc", 1));
  EXPECT_TRUE(Value("b", 1) >= Value("abc", 1));
  // Bytes compare unsigned, so double-byte text sorts after ASCII.
  EXPECT_TRUE(Value("中", 1) > Value("z", 1));
}

TEST(Value, ComparisonsWithPlainOperands) {
  const Value v("7", 1);
  EXPECT_TRUE(v == 7);
  EXPECT_TRUE(v < 8);
  EXPECT_TRUE(v >= 7);
  EXPECT_TRUE(v != 6);
  EXPECT_TRUE(Value(-1) > 4294967294u);  // read unsigned against an unsigned
  EXPECT_TRUE(v > 6.5);
  EXPECT_TRUE(v <= 7.0);
  EXPECT_TRUE(v == "7");
  EXPECT_TRUE(v < "8");
  // A bool compares whether the value has a tag.
  EXPECT_TRUE(Value() == false);
  EXPECT_TRUE(Value(0) == true);
  EXPECT_TRUE(Value("FALSE", 1) == true);
  EXPECT_TRUE(Value() < true);

  // The plain operand written first keeps the operator's meaning.
  EXPECT_TRUE(8 > v);
  EXPECT_TRUE(6 < v);
  EXPECT_FALSE(8 < v);
  EXPECT_TRUE(7 <= v);
  EXPECT_TRUE(7 == v);
  EXPECT_TRUE(9u >= Value(9u));
  EXPECT_TRUE(6.5 < v);
  EXPECT_TRUE("8" > v);
  EXPECT_TRUE(true > Value());
  EXPECT_TRUE(false != Value(1));
}

// Every comparison of a NaN is false, save !=.
template <class L, class R>
void ExpectUnordered(const L& left, const R& right, const char* what) {
  EXPECT_FALSE(left == right) << what;
  EXPECT_TRUE(left != right) << what;
  EXPECT_FALSE(left < right) << what;
  EXPECT_FALSE(left <= right) << what;
  EXPECT_FALSE(left > right) << what;
  EXPECT_FALSE(left >= right) << what;
}

TEST(Value, ANotANumberComparesUnordered) {
  const Value nan = Value(0.0) / Value(0.0);  // the value's own double division
  ASSERT_EQ(nan.GetTag(), Value::kDouble);
  ASSERT_TRUE(std::isnan(nan.AsDouble()));
  const Value nan_text("nan", 1);
  const Value one(1.0);

  ExpectUnordered(nan, nan, "NaN against itself");
  ExpectUnordered(nan, one, "NaN against a double value");
  ExpectUnordered(one, nan_text, "a double value against the text nan");
  ExpectUnordered(one, nan, "a double value against NaN");
  ExpectUnordered(nan, 1.0, "NaN against a double");
  ExpectUnordered(1.0, nan, "a double against NaN");
  ExpectUnordered(nan_text, 1.0, "the text nan against a double");
  ExpectUnordered(2.0, nan_text, "a double against the text nan");
  ExpectUnordered(Value(1.0), std::nan(""), "a double value against a NaN double");
  ExpectUnordered(std::nan(""), Value(1.0), "a NaN double against a double value");

  // Ordered numbers still compare as before.
  EXPECT_TRUE(one <= 1.0);
  EXPECT_TRUE(1.0 >= one);
  EXPECT_TRUE(one == Value("1", 1));
}

TEST(Value, ParseValueListSplitsAtEveryComma) {
  std::vector<Value> list;
  EXPECT_EQ(ParseValueList("1,,x,", list), 3);
  ASSERT_EQ(list.size(), 3u);
  ExpectValue(list[0], "1", Value::kText, 0);
  ExpectValue(list[1], "", Value::kText, 0);
  ExpectValue(list[2], "x", Value::kText, 0);

  EXPECT_EQ(ParseValueList("", list), 0);
  EXPECT_EQ(list.size(), 3u);
  EXPECT_EQ(ParseValueList("a,\"b,c\"", list), 6);  // no quoting
  EXPECT_EQ(list[4].Text(), "\"b");
  EXPECT_EQ(list[5].Text(), "c\"");

  std::vector<Value> commas;
  EXPECT_EQ(ParseValueList(",", commas), 1);
  EXPECT_EQ(ParseValueList("录像目录,http://x", commas), 3);
  EXPECT_EQ(commas[1].Text(), "录像目录");
}

}  // namespace
}  // namespace engine
