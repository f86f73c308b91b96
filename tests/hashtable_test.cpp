#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "savkit/hashtable.h"
#include "savkit/host/exceptions.h"

using namespace savkit;

namespace {

std::vector<TSPSSHashTable::Key> Enumerate(const TSPSSHashTable& t, std::uint32_t pos) {
  std::vector<TSPSSHashTable::Key> keys;
  TSPSSHashTable::Key k;
  for (std::uint32_t n = 1; t.GetFromList(pos, n, k); ++n) keys.push_back(k);
  return keys;
}

std::vector<std::int32_t> Numbers(const TSPSSHashTable& t) {
  std::vector<std::int32_t> v;
  for (std::uint32_t p = 1; p <= t.Count(); ++p) v.push_back(t.FindOriginalCaseNr(p));
  return v;
}

}  // namespace

TEST(EditCache, NewTableHoldsNothing) {
  TSPSSHashTable t(nullptr, 4);
  EXPECT_EQ(t.Count(), 4u);
  double d = 7;
  std::string s = "x";
  for (std::uint32_t p = 1; p <= 4; ++p) {
    EXPECT_FALSE(t.IsModified(p));
    EXPECT_FALSE(t.Get(p, 1, d));
    EXPECT_FALSE(t.Get(p, 1, s));
    EXPECT_EQ(t.FindOriginalCaseNr(p), 0);
  }
  EXPECT_EQ(d, 7);  // untouched on a miss
  EXPECT_EQ(s, "x");
  t.InitOriginalCaseNrs(1);
  EXPECT_EQ(Numbers(t), (std::vector<std::int32_t>{1, 2, 3, 4}));
}

TEST(EditCache, AddOverwritesAndEnumeratesChainByChainNewestFirst) {
  TSPSSHashTable t(nullptr, 2);
  t.Add(1, 5, 1.0);
  t.Add(1, 1, 2.0);
  t.Add(1, 4, 3.0);
  EXPECT_EQ(Enumerate(t, 1), (std::vector<TSPSSHashTable::Key>{4, 1, 5}));
  t.Add(1, 5, 9.5);
  EXPECT_EQ(Enumerate(t, 1), (std::vector<TSPSSHashTable::Key>{4, 1, 5}));
  double d;
  ASSERT_TRUE(t.Get(1, 5, d));
  EXPECT_EQ(d, 9.5);
  EXPECT_EQ(t.RecordCount(), 3u);
  EXPECT_TRUE(t.IsModified(1));
  EXPECT_FALSE(t.IsModified(2));
  TSPSSHashTable::Key k;
  EXPECT_FALSE(t.GetFromList(1, 0, k));

  t.Add(2, 3, std::string_view("abc"));
  std::string s;
  ASSERT_TRUE(t.Get(2, 3, s));
  EXPECT_EQ(s, "abc");
  EXPECT_FALSE(t.Get(2, 3, d));  // a string record is not a number
  EXPECT_EQ(t.Find(2, 3)->Kind, TSPSSHashTable::RecKind::Text);
  EXPECT_EQ(t.Find(2, 3)->VarNr, 3u);
  EXPECT_EQ(Enumerate(t, 2), (std::vector<TSPSSHashTable::Key>{3}));
  t.DeleteValueRec(2, 3);
  t.DeleteValueRec(2, 3);  // absent: nothing happens
  EXPECT_FALSE(t.IsModified(2));
}

TEST(EditCache, WideKeysNeverMeetOtherVariables) {
  // Identifiers keep counting up over a component's life; keys that agree in
  // their low 15 or 16 bits are still different variables.
  TSPSSHashTable t(nullptr, 1);
  t.Add(1, 5, 1.0);
  t.Add(1, 5 + 32768, 2.0);
  t.Add(1, 5 + 65536, std::string_view("wide"));
  t.Add(1, 0xFFFFFFFFu, 4.0);
  double d;
  std::string s;
  ASSERT_TRUE(t.Get(1, 5, d));
  EXPECT_EQ(d, 1.0);
  ASSERT_TRUE(t.Get(1, 5 + 32768, d));
  EXPECT_EQ(d, 2.0);
  ASSERT_TRUE(t.Get(1, 5 + 65536, s));
  EXPECT_EQ(s, "wide");
  ASSERT_TRUE(t.Get(1, 0xFFFFFFFFu, d));
  EXPECT_EQ(d, 4.0);
  t.DeleteVariable(5);
  EXPECT_FALSE(t.Get(1, 5, d));
  EXPECT_EQ(t.RecordCount(), 3u);
}

TEST(EditCache, PositionsOutsideTheTableAreRefused) {
  TSPSSHashTable t(nullptr, 3);
  for (std::uint32_t bad : {0u, 4u, 0xFFFFFFFFu}) {
    try {
      t.Add(bad, 1, 1.0);
      FAIL() << bad;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "Hashtable out of bounds: it contains only 3 cases");
    }
    EXPECT_THROW(t.SetOriginalCaseNr(bad, 5), Exception);
    EXPECT_THROW(t.FindOriginalCaseNr(bad), Exception);
    EXPECT_THROW(t.DeleteCase(bad), Exception);
  }
  EXPECT_NO_THROW(t.Add(3, 1, 1.0));
  EXPECT_EQ(t.Count(), 3u);
  EXPECT_EQ(t.RecordCount(), 1u);
}

TEST(EditCache, DeletingACaseMovesLaterCasesWithTheirRecords) {
  TSPSSHashTable t(nullptr, 5);
  t.InitOriginalCaseNrs(1);
  for (std::uint32_t p = 1; p <= 5; ++p) t.Add(p, 7, static_cast<double>(p * 10));
  t.Add(2, 8, std::string_view("gone"));
  t.DeleteCase(2);
  EXPECT_EQ(Numbers(t), (std::vector<std::int32_t>{1, 3, 4, 5}));
  double d;
  for (std::uint32_t p = 2; p <= 4; ++p) {
    ASSERT_TRUE(t.Get(p, 7, d));
    EXPECT_EQ(d, (p + 1) * 10.0);
  }
  std::string s;
  EXPECT_FALSE(t.Get(2, 8, s));
  EXPECT_EQ(t.RecordCount(), 4u);
}

TEST(EditCache, ResizeBothWays) {
  TSPSSHashTable t(nullptr, 3);
  t.InitOriginalCaseNrs(1);
  t.Resize(5);
  EXPECT_EQ(Numbers(t), (std::vector<std::int32_t>{1, 2, 3, 0, 0}));
  EXPECT_FALSE(t.IsModified(4));
  t.Add(4, 1, 1.0);
  t.Add(5, 2, std::string_view("a long text that does not fit in a small string"));
  t.Add(3, 2, 3.0);
  t.Resize(3);
  EXPECT_EQ(t.RecordCount(), 1u);
  EXPECT_THROW(t.IsModified(4), Exception);
  t.Resize(4);
  EXPECT_FALSE(t.IsModified(4));  // grown rows start clean
  t.Resize(0);
  EXPECT_EQ(t.Count(), 0u);
  EXPECT_EQ(t.RecordCount(), 0u);
}

TEST(EditCache, DeleteVariableKeepsOtherKeysOfTheSameChain) {
  TSPSSHashTable t(nullptr, 3);
  for (std::uint32_t p = 1; p <= 3; ++p) {
    t.Add(p, 2, 1.0);
    t.Add(p, 6, std::string_view("six"));
    t.Add(p, 10, 3.0);
  }
  t.DeleteVariable(6);
  for (std::uint32_t p = 1; p <= 3; ++p) EXPECT_EQ(Enumerate(t, p), (std::vector<TSPSSHashTable::Key>{10, 2}));
  t.DeleteVariable(99);
  EXPECT_EQ(t.RecordCount(), 6u);
}

TEST(EditCache, ChangingTheKindOfARecordKeepsOneRecord) {
  TSPSSHashTable t(nullptr, 1);
  t.Add(1, 1, 2.0);
  t.Add(1, 1, std::string_view("now text"));
  std::string s;
  ASSERT_TRUE(t.Get(1, 1, s));
  EXPECT_EQ(s, "now text");
  t.Add(1, 1, 3.0);
  double d;
  ASSERT_TRUE(t.Get(1, 1, d));
  EXPECT_EQ(d, 3.0);
  EXPECT_EQ(t.RecordCount(), 1u);
}

// Random operations against a plain model: rows of key -> value.
TEST(EditCache, BehavesLikeASimpleModelUnderRandomOperations) {
  using Value = std::variant<double, std::string>;
  struct Row {
    std::int32_t number;
    std::map<std::uint32_t, Value> values;
  };
  std::mt19937 rng(3);
  std::vector<Row> model(50);
  TSPSSHashTable t(nullptr, 50);
  t.InitOriginalCaseNrs(1);
  for (std::size_t i = 0; i < model.size(); ++i) model[i].number = static_cast<std::int32_t>(i + 1);

  auto pick = [&](std::uint32_t n) { return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(rng); };
  for (int step = 0; step < 20000; ++step) {
    const std::uint32_t op = pick(100);
    const std::uint32_t key = pick(40) * 1000;  // keys that share chains and low bits
    if (model.empty() || op < 5) {
      const std::uint32_t m = pick(80);
      t.Resize(m);
      model.resize(m, Row{0, {}});
      continue;
    }
    const std::uint32_t pos = pick(static_cast<std::uint32_t>(model.size())) + 1;
    Row& row = model[pos - 1];
    if (op < 45) {
      const double v = pick(1000);
      t.Add(pos, key, v);
      row.values[key] = v;
    } else if (op < 70) {
      const std::string v(pick(40), static_cast<char>('a' + pick(26)));
      t.Add(pos, key, std::string_view(v));
      row.values[key] = v;
    } else if (op < 80) {
      t.DeleteValueRec(pos, key);
      row.values.erase(key);
    } else if (op < 85) {
      t.DeleteCase(pos);
      model.erase(model.begin() + (pos - 1));
    } else if (op < 87) {
      t.DeleteVariable(key);
      for (Row& r : model) r.values.erase(key);
    } else {
      t.SetOriginalCaseNr(pos, static_cast<std::int32_t>(step));
      row.number = step;
    }
  }
  ASSERT_EQ(t.Count(), model.size());
  std::size_t records = 0;
  for (std::uint32_t p = 1; p <= t.Count(); ++p) {
    const Row& row = model[p - 1];
    EXPECT_EQ(t.FindOriginalCaseNr(p), row.number);
    EXPECT_EQ(t.IsModified(p), !row.values.empty());
    EXPECT_EQ(Enumerate(t, p).size(), row.values.size());
    for (const auto& [key, value] : row.values) {
      if (const double* d = std::get_if<double>(&value)) {
        double got;
        ASSERT_TRUE(t.Get(p, key, got));
        EXPECT_EQ(got, *d);
      } else {
        std::string got;
        ASSERT_TRUE(t.Get(p, key, got));
        EXPECT_EQ(got, std::get<std::string>(value));
      }
    }
    records += row.values.size();
  }
  EXPECT_EQ(t.RecordCount(), records);
}

TEST(EditCache, AnUneditedTableInOrderNeedsNoRows) {
  TSPSSHashTable t(nullptr, 1'000'000);
  t.InitOriginalCaseNrs(1);
  EXPECT_LT(t.MemoryUsage(), 1024u);  // the numbering is implied
  EXPECT_EQ(t.FindOriginalCaseNr(1'000'000), 1'000'000);
  EXPECT_FALSE(t.IsModified(7));
  double d;
  EXPECT_FALSE(t.Get(7, 1, d));
  EXPECT_THROW(t.FindOriginalCaseNr(1'000'001), Exception);
  t.Resize(10);  // shrinking keeps the numbering implied
  EXPECT_EQ(t.Count(), 10u);
  EXPECT_EQ(t.FindOriginalCaseNr(10), 10);
  t.Add(3, 1, 2.0);  // the first change gives the rows storage, numbers kept
  EXPECT_EQ(t.FindOriginalCaseNr(10), 10);
  EXPECT_TRUE(t.Get(3, 1, d));
  t.DeleteCase(1);
  EXPECT_EQ(Numbers(t), (std::vector<std::int32_t>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
  t.Resize(11);
  EXPECT_EQ(t.FindOriginalCaseNr(10), 0);  // a new case stands for no stored one

  // Before numbering too: the cases stand for no stored one until changed.
  TSPSSHashTable fresh(nullptr, 1'000'000);
  EXPECT_LT(fresh.MemoryUsage(), 1024u);
  fresh.Add(2, 1, 1.0);
  EXPECT_EQ(fresh.FindOriginalCaseNr(1), 0);
  EXPECT_EQ(fresh.FindOriginalCaseNr(1'000'000), 0);
  EXPECT_TRUE(fresh.IsModified(2));
}
