// System files encrypted with a password: the ordinary file in AES-256-ECB
// blocks behind a 36-byte wrapper, the key made from the password with
// CMAC. The cipher is OpenSSL's; decrypted bytes live only in memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fault.h"

namespace savkit::io {

constexpr std::size_t kWrapperSize = 36;

// A password, wiped from memory when it goes.
class Secret {
 public:
  Secret() = default;
  explicit Secret(std::string_view text) : text_(text) {}
  Secret(const Secret& other) : text_(other.text_) {}
  Secret& operator=(const Secret& other);
  ~Secret() { Wipe(); }
  void Wipe();
  bool Empty() const { return text_.empty(); }
  std::string_view View() const { return text_; }

 private:
  std::string text_;
};

// True when a file's first n bytes are the wrapper of an encrypted file (of any kind).
bool EncryptedWrapper(const std::uint8_t* head, std::size_t n);

// Decrypts the encrypted system file into a new anonymous file in memory;
// its descriptor and size come back. SPSS_WRONG_PASSWORD when the password
// does not make a system file of it, SPSS_INVALID_FILE when the blocks are
// cut or their padding is not sound (the fault says which).
int DecryptToMemory(int fd, std::uint64_t size, const Secret& password, int& plainFd, std::uint64_t& plainSize,
                    Fault& fault);

// Writes the system file of size bytes in plainFd, encrypted, to outFd.
int EncryptFile(int plainFd, std::uint64_t size, int outFd, const Secret& password);

// An anonymous file in memory for a new file's plain bytes; -1 on failure.
int MemoryFile();

}  // namespace savkit::io
