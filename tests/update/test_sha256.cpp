// SHA-256 against the FIPS 180 examples and independently computed digests.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "update/sha256.h"
#include "update_test_files.h"

namespace tarvelin {
namespace {

struct Vector {
  std::string Message;
  const char* Digest;
};

TEST(Sha256, FipsExamples) {
  const Vector vectors[] = {
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopq"
       "rlmnopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Vector& v : vectors)
    EXPECT_EQ(Sha256Hex(v.Message), v.Digest) << "length " << v.Message.size();
}

// Lengths on both sides of the padding limits (55/56 bytes in a block, whole blocks).
TEST(Sha256, PaddingBoundaries) {
  const std::pair<size_t, const char*> cases[] = {
      {1, "ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb"},
      {55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {57, "f13b2d724659eb3bf47f2dd6af1accc87b81f09f59f2b75e5c0bed6589dfe8c6"},
      {63, "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {65, "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"},
      {119, "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
      {120, "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"},
      {128, "6836cf13bac400e9105071cd6af47084dfacad4e5e302c94bfed24e013afb73e"},
  };
  for (const auto& [length, digest] : cases)
    EXPECT_EQ(Sha256Hex(std::string(length, 'a')), digest) << "length " << length;
}

// Feeding the bytes in two pieces, split anywhere, gives the digest of the whole.
TEST(Sha256, PiecewiseEqualsWhole) {
  std::string message;
  for (int i = 0; i < 200; ++i) message += static_cast<char>((i * 37) & 255);
  const std::string whole = Sha256Hex(message);
  for (size_t split = 0; split <= message.size(); ++split) {
    Sha256 sha;
    sha.Update(message.data(), split);
    sha.Update(message.data() + split, message.size() - split);
    auto digest = sha.Final();
    char hex[65];
    for (int i = 0; i < 32; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
    EXPECT_EQ(std::string(hex), whole) << "split at " << split;
  }
}

TEST(Sha256, FileDigestAndUnreadableFile) {
  test::UpdateTempFolder folder;
  std::string bytes;
  for (int r = 0; r < 40; ++r)
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  test::WriteWhole(folder / "binary", bytes);
  std::string hex;
  ASSERT_TRUE(Sha256OfFile(folder / "binary", hex));
  EXPECT_EQ(hex, "e96760a87768717bcebcfd25ddc7d46b4dbc95a4b0014def080c08539f7d90d0");

  hex = "unchanged";
  EXPECT_FALSE(Sha256OfFile(folder / "missing", hex));
  EXPECT_FALSE(Sha256OfFile(folder.Path(), hex));  // a folder has no bytes to read
  EXPECT_EQ(hex, "unchanged");
}

}  // namespace
}  // namespace tarvelin
