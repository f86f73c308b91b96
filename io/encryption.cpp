#include "encryption.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "file_input.h"
#include "io/file_ops.h"
#include "savkit/spssio.h"

namespace savkit::io {

namespace {

constexpr std::size_t kBlock = 16;
constexpr std::size_t kChunk = 1u << 20;    // a multiple of the block
constexpr std::size_t kPasswordBytes = 10;  // what the key is made from; the rest is ignored

constexpr std::uint8_t kWrapper[kWrapperSize] = {0x1c, 0,   0,   0,   0,   0,   0,   0,   'E',  'N', 'C', 'R',
                                                 'Y',  'P', 'T', 'E', 'D', 'S', 'A', 'V', 0x15, 0,   0,   0,
                                                 0,    0,   0,   0,   0,   0,   0,   0,   0,    0,   0,   0};

// The fixed text the password's CMAC is taken of.
constexpr std::uint8_t kKeyConstant[73] = {
    0x00, 0x00, 0x00, 0x01, 0x35, 0x27, 0x13, 0xcc, 0x53, 0xa7, 0x78, 0x89, 0x87, 0x53, 0x22, 0x11, 0xd6, 0x5b, 0x31,
    0x58, 0xdc, 0xfe, 0x2e, 0x7e, 0x94, 0xda, 0x2f, 0x00, 0xcc, 0x15, 0x71, 0x80, 0x0a, 0x6c, 0x63, 0x53, 0x00, 0x38,
    0xc3, 0x38, 0xac, 0x22, 0xf3, 0x63, 0x62, 0x0e, 0xce, 0x85, 0x3f, 0xb8, 0x07, 0x4c, 0x4e, 0x2b, 0x77, 0xc7, 0x21,
    0xf5, 0x1a, 0x80, 0x1d, 0x67, 0xfb, 0xe1, 0xe1, 0x83, 0x07, 0xd8, 0x0d, 0x00, 0x00, 0x01, 0x00};

// A key that is wiped when it goes.
struct Key {
  std::array<std::uint8_t, 32> bytes{};
  ~Key() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
};

struct MacDeleter {
  void operator()(EVP_MAC* m) const { EVP_MAC_free(m); }
  void operator()(EVP_MAC_CTX* c) const { EVP_MAC_CTX_free(c); }
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

// CMAC-AES-256 of the constant under the password (its first 10 bytes,
// zero-padded to 32), twice over.
bool DeriveKey(const Secret& password, Key& key) {
  Key padded;
  const std::string_view p = password.View();
  std::memcpy(padded.bytes.data(), p.data(), std::min(p.size(), kPasswordBytes));
  std::unique_ptr<EVP_MAC, MacDeleter> mac(EVP_MAC_fetch(nullptr, "CMAC", nullptr));
  if (!mac) return false;
  std::unique_ptr<EVP_MAC_CTX, MacDeleter> ctx(EVP_MAC_CTX_new(mac.get()));
  if (!ctx) return false;
  char cipher[] = "AES-256-CBC";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_CIPHER, cipher, 0),
                               OSSL_PARAM_construct_end()};
  std::uint8_t out[kBlock];
  std::size_t len = 0;
  if (EVP_MAC_init(ctx.get(), padded.bytes.data(), padded.bytes.size(), params) != 1 ||
      EVP_MAC_update(ctx.get(), kKeyConstant, sizeof kKeyConstant) != 1 ||
      EVP_MAC_final(ctx.get(), out, &len, sizeof out) != 1 || len != kBlock)
    return false;
  std::memcpy(key.bytes.data(), out, kBlock);
  std::memcpy(key.bytes.data() + kBlock, out, kBlock);
  OPENSSL_cleanse(out, sizeof out);
  return true;
}

// An AES-256-ECB context without padding: the blocks are handled here.
std::unique_ptr<EVP_CIPHER_CTX, MacDeleter> Cipher(const Key& key, bool encrypt) {
  std::unique_ptr<EVP_CIPHER_CTX, MacDeleter> ctx(EVP_CIPHER_CTX_new());
  if (!ctx || EVP_CipherInit_ex(ctx.get(), EVP_aes_256_ecb(), nullptr, key.bytes.data(), nullptr, encrypt ? 1 : 0) != 1)
    return nullptr;
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  return ctx;
}

bool Crypt(EVP_CIPHER_CTX* ctx, std::uint8_t* data, std::size_t n) {
  int out = 0;
  return EVP_CipherUpdate(ctx, data, &out, data, static_cast<int>(n)) == 1 && out == static_cast<int>(n);
}

}  // namespace

Secret& Secret::operator=(const Secret& other) {
  if (this != &other) {
    Wipe();
    text_ = other.text_;
  }
  return *this;
}

void Secret::Wipe() {
  if (!text_.empty()) OPENSSL_cleanse(text_.data(), text_.size());
  text_.clear();
}

bool EncryptedWrapper(const std::uint8_t* head, std::size_t n) {
  return n >= kWrapperSize && std::memcmp(head + 8, "ENCRYPTED", 9) == 0;
}

int MemoryFile() { return ::memfd_create("savkit-plain", MFD_CLOEXEC); }

int DecryptToMemory(int fd, std::uint64_t size, const Secret& password, int& plainFd, std::uint64_t& plainSize,
                    Fault& fault) {
  std::uint8_t head[kWrapperSize];
  if (!ReadFully(fd, head, sizeof head, 0)) return SPSS_FILE_RERROR;
  if (std::memcmp(head + 8, "ENCRYPTEDSAV", 12) != 0)
    return fault.Note(8, "it is an encrypted file of another kind than a data file"), SPSS_INVALID_FILE;
  const std::uint64_t body = size - kWrapperSize;
  if (body == 0 || body % kBlock != 0)
    return fault.Note(static_cast<std::int64_t>(size), "its encrypted blocks are cut short"), SPSS_INVALID_FILE;
  Key key;
  if (!DeriveKey(password, key)) return SPSS_NO_MEMORY;
  auto ctx = Cipher(key, false);
  if (!ctx) return SPSS_NO_MEMORY;
  const int out = MemoryFile();
  if (out < 0) return SPSS_NO_MEMORY;
  std::vector<std::uint8_t> buf(kChunk);
  for (std::uint64_t at = 0; at < body;) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, body - at));
    if (!ReadFully(fd, buf.data(), n, kWrapperSize + at) || !Crypt(ctx.get(), buf.data(), n)) {
      ::close(out);
      return SPSS_FILE_RERROR;
    }
    // A wrong password gives noise, not a system file's first bytes.
    if (at == 0 && std::memcmp(buf.data(), "$FL2", 4) != 0 && std::memcmp(buf.data(), "$FL3", 4) != 0) {
      OPENSSL_cleanse(buf.data(), n);
      ::close(out);
      return SPSS_WRONG_PASSWORD;
    }
    std::size_t keep = n;
    if (at + n == body) {  // the padding: 1 to 16 bytes, each its count
      const std::uint8_t pad = buf[n - 1];
      bool sound = pad >= 1 && pad <= kBlock;
      for (std::size_t i = 0; sound && i < pad; ++i) sound = buf[n - 1 - i] == pad;
      if (!sound) {
        ::close(out);
        return fault.Note(static_cast<std::int64_t>(size - kBlock), "its last encrypted block is not sound"),
               SPSS_INVALID_FILE;
      }
      keep = n - pad;
    }
    const bool written = WriteAll(out, buf.data(), keep, static_cast<off_t>(at));
    OPENSSL_cleanse(buf.data(), n);
    if (!written) {
      ::close(out);
      return SPSS_NO_MEMORY;
    }
    at += n;
  }
  plainFd = out;
  struct stat st;
  plainSize = ::fstat(out, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
  return SPSS_OK;
}

int EncryptFile(int plainFd, std::uint64_t size, int outFd, const Secret& password) {
  Key key;
  if (!DeriveKey(password, key)) return SPSS_NO_MEMORY;
  auto ctx = Cipher(key, true);
  if (!ctx) return SPSS_NO_MEMORY;
  if (!WriteAll(outFd, kWrapper, sizeof kWrapper, 0)) return SPSS_FILE_WERROR;
  std::vector<std::uint8_t> buf(kChunk + kBlock);
  for (std::uint64_t at = 0;;) {
    std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - at));
    if (n && !ReadFully(plainFd, buf.data(), n, at)) return SPSS_FILE_RERROR;
    const bool last = at + n == size;
    if (last) {  // PKCS #7: a whole block of padding when none is needed
      const std::size_t pad = kBlock - n % kBlock;
      std::memset(buf.data() + n, static_cast<int>(pad), pad);
      n += pad;
    }
    const bool ok =
        Crypt(ctx.get(), buf.data(), n) && WriteAll(outFd, buf.data(), n, static_cast<off_t>(kWrapperSize + at));
    OPENSSL_cleanse(buf.data(), n);
    if (!ok) return SPSS_FILE_WERROR;
    if (last) return SPSS_OK;
    at += n;
  }
}

}  // namespace savkit::io
