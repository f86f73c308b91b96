#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "savkit/host/exceptions.h"
#include "savkit/host/variant.h"

using namespace savkit;

TEST(Variant, TextAndNumberCompareAsNumbers) {
  EXPECT_EQ(Variant("1"), Variant(1));
  EXPECT_EQ(Variant(" 2.50 "), Variant(2.5));
  EXPECT_EQ(Variant(std::uint8_t{3}), Variant(3.0));
  EXPECT_FALSE(Variant("1") == Variant("1.0"));  // two texts compare as texts
  EXPECT_FALSE(Variant("abc") == Variant(0));    // not a number: never equal to one
  EXPECT_LT(Variant::Compare(Variant("9"), Variant(10)), 0);
  EXPECT_GT(Variant::Compare(Variant("b"), Variant("a")), 0);
  EXPECT_EQ(Variant(), Variant());
  EXPECT_EQ(Variant::Null(), Variant::Null());
  EXPECT_FALSE(Variant() == Variant(0));
  EXPECT_FALSE(Variant::Null() == Variant(""));
  EXPECT_LT(Variant::Compare(Variant(), Variant::Null()), 0);
  EXPECT_LT(Variant::Compare(Variant::Null(), Variant(-1e300)), 0);
}

TEST(Variant, ConversionToNumber) {
  EXPECT_EQ(Variant().ToDouble(), 0);
  EXPECT_EQ(Variant("-1.5e3").ToDouble(), -1500);
  EXPECT_EQ(Variant("+.5").ToDouble(), 0.5);
  EXPECT_EQ(Variant(7).ToDouble(), 7);
  EXPECT_EQ(Variant(2.5).ToInteger(), 2);  // half to even
  EXPECT_EQ(Variant("3.5").ToInteger(), 4);
  for (const char* bad : {"", "  ", "1,5", "abc", "1e", "inf", "nan", "0x10", "--1", "1 2"}) {
    try {
      Variant(bad).ToDouble();
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const EVariantTypeCastError& e) {
      EXPECT_STREQ(e.what(), "Could not convert variant of type (String) into type (Double)");
    }
  }
  EXPECT_THROW(Variant::Null().ToDouble(), EVariantTypeCastError);
  EXPECT_THROW(Variant::Array(0, 1).ToDouble(), EVariantTypeCastError);
  EXPECT_THROW(Variant(1e12).ToInteger(), EVariantTypeCastError);
}

TEST(Variant, ConversionToText) {
  EXPECT_EQ(Variant().ToString(), "");
  EXPECT_EQ(Variant::Null().ToString(), "");
  EXPECT_EQ(Variant(-42).ToString(), "-42");
  EXPECT_EQ(Variant(std::uint8_t{255}).ToString(), "255");
  EXPECT_EQ(Variant(-DBL_MAX).ToString(), "-1.79769313486232E+308");
  EXPECT_EQ(Variant(DBL_MAX).ToString(), "1.79769313486232E+308");
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(2.5), "2.5");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(-0.0), "0");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(1234567890123456.0), "1.23456789012346E+15");
  EXPECT_EQ(FloatToStr(1e15), "1E+15");
  EXPECT_EQ(FloatToStr(0.00001), "0.00001");
  EXPECT_EQ(FloatToStr(0.000001234), "1.234E-6");
  EXPECT_EQ(FloatToStr(9.9999999999999999), "10");
  EXPECT_EQ(FloatToStr(NAN), "NAN");
  EXPECT_EQ(FloatToStr(-INFINITY), "-INF");
  // Texts written this way read back as the same number (to 15 digits).
  for (double v : {0.1, 1.0 / 7, -2.0e-7, 6.02214076e23, 1e-300}) {
    EXPECT_NEAR(Variant(FloatToStr(v)).ToDouble(), v, std::fabs(v) * 1e-14);
  }
}

TEST(Variant, ArraysHaveExplicitBounds) {
  Variant a = Variant::Array(1, 3);
  EXPECT_TRUE(a.IsArray());
  EXPECT_EQ(a.LowBound(), 1);
  EXPECT_EQ(a.HighBound(), 3);
  a[1] = 1.5;
  a[3] = "x";
  EXPECT_TRUE(a[2].IsEmpty());
  EXPECT_EQ(a[1], Variant(1.5));
  EXPECT_THROW(a[0], EVariantBadIndexError);
  EXPECT_THROW(a[4], EVariantBadIndexError);
  Variant copy = a;
  copy[1] = 2.0;
  EXPECT_EQ(a[1], Variant(1.5));  // arrays are values

  Variant empty = Variant::Array(1, 0);
  EXPECT_EQ(empty.LowBound(), 1);
  EXPECT_EQ(empty.HighBound(), 0);
  EXPECT_THROW(empty[1], EVariantBadIndexError);
  EXPECT_THROW(Variant::Array(5, 2), EVariantError);
  EXPECT_THROW(Variant(1).LowBound(), EVariantError);
}
