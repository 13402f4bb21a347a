#include "outside/language/compiled_catalogue.hpp"

#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "velko/frame/text.hpp"
#include "velko/outside/registry.hpp"

namespace velko::language {
namespace {

namespace fs = std::filesystem;

// "VCATLG" and the format's version; a new layout takes a new version, so that an old file is
// simply not used.
constexpr std::array<char, 8> kMagic = {'V', 'C', 'A', 'T', 'L', 'G', '0', '1'};
// Magic, source size, source hash, payload hash, entry count, a zero word.
constexpr std::size_t kHeaderBytes = 8 + 8 + 8 + 8 + 4 + 4;

}  // namespace

// Eight bytes at a time: damage to a compiled form or an edit of its PO file changes the hash.
// Not a defence against a forger, who could edit the PO file as well.
std::uint64_t HashCatalogueBytes(std::string_view bytes) {
  constexpr std::uint64_t kPrime = 0x100000001b3ull;
  std::uint64_t hash = 0xcbf29ce484222325ull ^ bytes.size();
  std::size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + at, 8);
    hash = (hash ^ word) * kPrime;
    hash ^= hash >> 29;
  }
  for (; at < bytes.size(); ++at)
    hash = (hash ^ static_cast<unsigned char>(bytes[at])) * kPrime;
  hash ^= hash >> 32;
  return hash * 0x9e3779b97f4a7c15ull;
}

namespace {

void PutWord(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.push_back(static_cast<char>((value >> (8 * i)) & 0xffu));
}

void PutText(std::string& out, std::string_view text) {
  PutWord(out, text.size(), 4);
  out.append(text);
}

// Reads little-endian words and length-prefixed texts, failing (never reading past the end) on a
// short input.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool Word(std::uint64_t& value, int bytes) {
    if (bytes_.size() - at_ < static_cast<std::size_t>(bytes)) return false;
    value = 0;
    for (int i = 0; i < bytes; ++i)
      value |= std::uint64_t{static_cast<unsigned char>(bytes_[at_ + i])} << (8 * i);
    at_ += static_cast<std::size_t>(bytes);
    return true;
  }

  bool Text(std::string_view& text) {
    std::uint64_t size = 0;
    if (!Word(size, 4) || bytes_.size() - at_ < size) return false;
    text = bytes_.substr(at_, size);
    at_ += size;
    return true;
  }

  bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

std::optional<Catalogue> DecodePayload(std::string_view payload, std::uint64_t count) {
  Reader reader(payload);
  Catalogue catalogue;
  std::string_view header;
  if (!reader.Text(header)) return std::nullopt;
  catalogue.header = String(header);
  // Every entry takes at least ten bytes, so a forged count cannot reserve more than the input.
  if (count > payload.size() / 10) return std::nullopt;
  catalogue.texts.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    std::string_view key, text;
    if (!reader.Text(key) || !reader.Text(text) || key.empty() || text.empty()) return std::nullopt;
    if (!catalogue.texts.try_emplace(String(key), String(text)).second) return std::nullopt;
  }
  if (!reader.AtEnd()) return std::nullopt;
  return catalogue;
}

std::optional<std::string> ReadWholeFile(const fs::path& path, std::uintmax_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char buffer[16384];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > limit) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

// Writes beside the target and renames it into place, so that a reader never sees half a file.
// Not synced: a form torn by a crash fails its hash and is made again.
void WriteCompiledForm(const fs::path& target, std::string_view bytes) {
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  if (ec) return;
  // Named for this process and this write, so that two writers never share a temporary file.
  static std::atomic<unsigned> writes{0};
  const fs::path temporary = target.string() + "." + std::to_string(::getpid()) + "-" +
                             std::to_string(writes.fetch_add(1)) + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      out.close();
      fs::remove(temporary, ec);
      return;
    }
  }
  fs::rename(temporary, target, ec);
  if (ec) fs::remove(temporary, ec);
}

String HexOf(std::uint64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  String hex(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4)
    hex[static_cast<std::size_t>(i)] = kDigits[value & 0xfu];
  return hex;
}

}  // namespace

CatalogueSource SourceOf(std::string_view poBytes) {
  return CatalogueSource{poBytes.size(), HashCatalogueBytes(poBytes)};
}

std::string EncodeCatalogue(const Catalogue& catalogue, const CatalogueSource& source) {
  std::string payload;
  PutText(payload, catalogue.header);
  for (const auto& [key, text] : catalogue.texts) {
    PutText(payload, key);
    PutText(payload, text);
  }
  std::string out(kMagic.begin(), kMagic.end());
  PutWord(out, source.size, 8);
  PutWord(out, source.hash, 8);
  PutWord(out, HashCatalogueBytes(payload), 8);
  PutWord(out, catalogue.texts.size(), 4);
  PutWord(out, 0, 4);
  return out + payload;
}

std::optional<Catalogue> DecodeCatalogue(std::string_view bytes, const CatalogueSource& source) {
  if (bytes.size() < kHeaderBytes ||
      bytes.substr(0, kMagic.size()) != std::string_view(kMagic.data(), kMagic.size())) {
    return std::nullopt;
  }
  Reader reader(bytes.substr(kMagic.size(), kHeaderBytes - kMagic.size()));
  CatalogueSource madeFrom;
  std::uint64_t payloadHash = 0, count = 0, zero = 0;
  if (!reader.Word(madeFrom.size, 8) || !reader.Word(madeFrom.hash, 8) ||
      !reader.Word(payloadHash, 8) || !reader.Word(count, 4) || !reader.Word(zero, 4)) {
    return std::nullopt;
  }
  const std::string_view payload = bytes.substr(kHeaderBytes);
  if (madeFrom != source || zero != 0 || HashCatalogueBytes(payload) != payloadHash)
    return std::nullopt;
  std::optional<Catalogue> catalogue = DecodePayload(payload, count);
  // The texts are held to what a read of the PO text accepts, whatever the file claims.
  if (catalogue && CheckCatalogueEncoding(String(), *catalogue)) return std::nullopt;
  return catalogue;
}

String CompiledCataloguePath(const String& path) {
  const String folder = UserCacheFolder();
  if (folder.empty()) return {};
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  if (ec) absolute = path;
  const String name = absolute.lexically_normal().string();
  return (fs::path(folder) / "catalogues" / (HexOf(HashCatalogueBytes(name)) + ".vcat")).string();
}

std::variant<Catalogue, CatalogueProblem> ReadCatalogueCompiled(const String& path) {
  std::error_code ec;
  const fs::path file(path);
  // Whatever is not a plain readable file of an acceptable size gets ReadCatalogue's own answer.
  if (!fs::is_regular_file(file, ec) || fs::file_size(file, ec) > kMaxCatalogueBytes || ec) {
    return ReadCatalogue(path);
  }
  const std::optional<std::string> poBytes = ReadWholeFile(file, kMaxCatalogueBytes);
  const String compiledPath = CompiledCataloguePath(path);
  if (!poBytes || compiledPath.empty()) return ReadCatalogue(path);
  const CatalogueSource source = SourceOf(*poBytes);
  if (const auto compiled = ReadWholeFile(compiledPath, kMaxCatalogueBytes * 2)) {
    if (auto catalogue = DecodeCatalogue(*compiled, source)) return std::move(*catalogue);
  }
  auto read = ReadCatalogue(path);
  // Kept only when the PO file still has the content just hashed: an edit during the read
  // leaves no compiled form that names the new content with the old texts.
  if (const auto* catalogue = std::get_if<Catalogue>(&read)) {
    const std::optional<std::string> after = ReadWholeFile(file, kMaxCatalogueBytes);
    if (after && *after == *poBytes)
      WriteCompiledForm(compiledPath, EncodeCatalogue(*catalogue, source));
  }
  return read;
}

}  // namespace velko::language
