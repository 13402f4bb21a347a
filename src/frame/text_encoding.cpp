#include "frame/text_encoding.hpp"

#include <iconv.h>

#include <cerrno>
#include <unordered_map>

namespace velko {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// The converters of this thread, opened on first use and closed when the thread ends (an iconv
// descriptor keeps state and may not be shared between threads).
class Converters {
 public:
  ~Converters() {
    for (auto& [name, cd] : open_) {
      if (cd != Invalid()) iconv_close(cd);
    }
  }

  // A converter in its initial state, or Invalid() when there is none.
  iconv_t Get(const char* from, const char* to) {
    const String key = String(from) + '\n' + to;
    auto [it, added] = open_.try_emplace(key, Invalid());
    if (added) it->second = iconv_open(to, from);
    if (it->second != Invalid()) iconv(it->second, nullptr, nullptr, nullptr, nullptr);
    return it->second;
  }

  static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }

 private:
  std::unordered_map<String, iconv_t> open_;
};

iconv_t ConverterFor(const char* from, const char* to) {
  thread_local Converters converters;
  return converters.Get(from, to);
}

// Runs the converter over `in` from `pos`, appending to `out`; leaves `pos` where it stopped and
// returns errno of the stop (0: everything converted, the shift state flushed).
int Run(iconv_t cd, std::string_view in, std::size_t& pos, String& out) {
  char buffer[4096];
  while (true) {
    char* source = const_cast<char*>(in.data() + pos);
    std::size_t sourceLeft = in.size() - pos;
    char* target = buffer;
    std::size_t targetLeft = sizeof buffer;
    const bool flushing = sourceLeft == 0;
    const std::size_t done = flushing ? iconv(cd, nullptr, nullptr, &target, &targetLeft)
                                      : iconv(cd, &source, &sourceLeft, &target, &targetLeft);
    const int code = done == static_cast<std::size_t>(-1) ? errno : 0;
    out.append(buffer, static_cast<std::size_t>(target - buffer));
    pos = in.size() - sourceLeft;
    if (code == E2BIG) continue;
    if (code != 0 || flushing) return code;
  }
}

}  // namespace

std::optional<Conversion> ConvertText(std::string_view bytes, const char* from, const char* to) {
  const iconv_t cd = ConverterFor(from, to);
  if (cd == Converters::Invalid()) return std::nullopt;
  Conversion result;
  std::size_t pos = 0;
  if (Run(cd, bytes, pos, result.text) != 0) result.failedAt = pos;
  return result;
}

std::optional<String> DecodeToUtf8(std::string_view bytes, const char* from) {
  const iconv_t cd = ConverterFor(from, "UTF-8");
  if (cd == Converters::Invalid()) return std::nullopt;
  String out;
  std::size_t pos = 0;
  while (Run(cd, bytes, pos, out) != 0) {
    out += kReplacementUtf8;
    pos = pos < bytes.size() ? pos + 1 : bytes.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

}  // namespace velko
