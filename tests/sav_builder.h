// Builds system files byte by byte, for what PSPP does not write: the other
// byte order, variable sets, unknown records, damaged files.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace savkit::testing {

class SavBuilder {
 public:
  explicit SavBuilder(bool bigEndian = false) : big_(bigEndian) {}

  SavBuilder& Int(std::int32_t v) {
    Put(static_cast<std::uint64_t>(static_cast<std::uint32_t>(v)), 4);
    return *this;
  }
  SavBuilder& Int64(std::int64_t v) {
    Put(static_cast<std::uint64_t>(v), 8);
    return *this;
  }
  SavBuilder& Double(double v) {
    Put(std::bit_cast<std::uint64_t>(v), 8);
    return *this;
  }
  // Text padded with blanks (or cut) to width bytes; width 0 takes it whole.
  SavBuilder& Text(const std::string& s, std::size_t width = 0) {
    std::string t = s;
    if (width) t.resize(width, ' ');
    bytes_.insert(bytes_.end(), t.begin(), t.end());
    return *this;
  }
  SavBuilder& Raw(const std::vector<std::uint8_t>& b) {
    bytes_.insert(bytes_.end(), b.begin(), b.end());
    return *this;
  }

  // The file header. compression 0, 1 or 2; cases -1 when unknown.
  SavBuilder& Header(int caseSize, int compression, int weightIndex, int cases, const std::string& label = "") {
    Text(compression == 2 ? "$FL3" : "$FL2").Text("@(#) SPSS DATA FILE savkit test builder", 60);
    Int(2).Int(caseSize).Int(compression).Int(weightIndex).Int(cases).Double(100.0);
    Text("07 Dec 26").Text("10:11:12").Text(label, 64).Text(std::string(3, '\0'));
    return *this;
  }
  // A variable record; width 0 for numbers. Adds the continuation records of
  // a string wider than 8.
  SavBuilder& Variable(const std::string& name, int width, const std::string& label = "",
                       std::vector<double> missing = {}) {
    const std::int32_t format = width == 0 ? (5 << 16) | (8 << 8) | 2 : (1 << 16) | (width << 8);
    Int(2).Int(width).Int(label.empty() ? 0 : 1).Int(static_cast<std::int32_t>(missing.size()));
    Int(format).Int(format).Text(name, 8);
    if (!label.empty()) {
      Int(static_cast<std::int32_t>(label.size())).Text(label);
      Text(std::string((4 - label.size() % 4) % 4, ' '));
    }
    for (double m : missing) Double(m);
    for (int i = 8; i < width; i += 8) Int(2).Int(-1).Int(0).Int(0).Int(0).Int(0).Text("", 8);
    return *this;
  }
  SavBuilder& Extension(int subtype, int size, int count, const std::vector<std::uint8_t>& data) {
    Int(7).Int(subtype).Int(size).Int(count);
    return Raw(data);
  }
  SavBuilder& TextExtension(int subtype, const std::string& text) {
    return Extension(subtype, 1, static_cast<int>(text.size()), std::vector<std::uint8_t>(text.begin(), text.end()));
  }
  SavBuilder& ReleaseInfo(int characterCode) {
    Int(7).Int(3).Int(4).Int(8);
    return Int(1).Int(0).Int(0).Int(-1).Int(1).Int(1).Int(big_ ? 1 : 2).Int(characterCode);
  }
  SavBuilder& EndDictionary() { return Int(999).Int(0); }

  // Bytecode-compressed elements: each entry is a number or an 8-byte text.
  // Small whole numbers use the one-byte codes, blanks code 254, SYSMIS 255.
  struct Element {
    bool number;
    double value;
    std::string text;
  };
  SavBuilder& Compressed(const std::vector<Element>& elements, bool endCode = true) {
    std::vector<std::uint8_t> codes;
    std::vector<std::vector<std::uint8_t>> raws;
    auto flush = [&] {
      codes.resize(8, 0);
      Raw(codes);
      for (const auto& r : raws) Raw(r);
      codes.clear();
      raws.clear();
    };
    for (const Element& e : elements) {
      if (e.number && e.value == -1.7976931348623157e308) {
        codes.push_back(255);
      } else if (e.number && e.value == static_cast<int>(e.value) && e.value >= -99 && e.value <= 151) {
        codes.push_back(static_cast<std::uint8_t>(e.value + 100));
      } else if (!e.number && e.text == std::string(8, ' ')) {
        codes.push_back(254);
      } else {
        codes.push_back(253);
        SavBuilder raw(big_);
        if (e.number)
          raw.Double(e.value);
        else
          raw.Text(e.text, 8);
        raws.push_back(raw.bytes_);
      }
      if (codes.size() == 8) flush();
    }
    if (endCode) codes.push_back(252);
    if (!codes.empty()) flush();
    return *this;
  }

  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
  void Save(const std::string& path) const {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(bytes_.size()));
  }

 private:
  void Put(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) {
      const int shift = big_ ? 8 * (n - 1 - i) : 8 * i;
      bytes_.push_back(static_cast<std::uint8_t>(v >> shift));
    }
  }

  bool big_;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace savkit::testing
