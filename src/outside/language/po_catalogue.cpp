#include "outside/language/po_catalogue.hpp"

#include <gettext-po.h>

#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>

#include "velko/frame/text.hpp"

namespace velko::language {
namespace {

namespace fs = std::filesystem;

// What the reader's error handler collected during one po_file_read.
struct ReaderCapture {
  std::optional<CatalogueProblem> first;
  bool outOfMemory = false;
  std::jmp_buf escape;
};

// The capture of the read in progress on this thread (reads are serialised, see ReadLock).
thread_local ReaderCapture* t_capture = nullptr;

void Record(ReaderCapture& capture, const char* file, size_t line, const char* text) noexcept {
  if (capture.first) return;
  try {
    CatalogueProblem problem;
    if (file) problem.file = file;
    if (line != static_cast<size_t>(-1) && line <= 0x7fffffffu)
      problem.line = static_cast<Long>(line);
    problem.message = text ? TrimBlanks(text) : String();
    while (!problem.message.empty() && problem.message.back() == '\n')
      problem.message.pop_back();
    capture.first = std::move(problem);
  } catch (...) {  // the problem is still known, only its text is lost
    capture.outOfMemory = true;
  }
}

// Collects errors instead of printing them. The reader requires that this handler does not return
// on a fatal error (it would go on with a broken state), so a fatal error leaves po_file_read
// through the jump buffer of ReadRaw; only C frames lie between the two.
void OnReaderProblem(int severity, po_message_t, const char* file, size_t line, size_t, int,
                     const char* text) {
  ReaderCapture* capture = t_capture;
  if (!capture || severity == PO_SEVERITY_WARNING) return;
  Record(*capture, file, line, text);
  if (severity == PO_SEVERITY_FATAL_ERROR) std::longjmp(capture->escape, 1);
}

void OnReaderProblemPair(int severity, po_message_t message, const char* file, size_t line,
                         size_t column, int multiline, const char* text, po_message_t, const char*,
                         size_t, size_t, int, const char*) {
  OnReaderProblem(severity, message, file, line, column, multiline, text);
}

const po_xerror_handler kReaderHandler = {OnReaderProblem, OnReaderProblemPair};

// Holds no object with a destructor, so that the jump out of a fatal error is well-defined.
po_file_t ReadRaw(const char* path, ReaderCapture& capture) {
  if (setjmp(capture.escape) != 0) return nullptr;
  return po_file_read(path, &kReaderHandler);
}

// The PO reader keeps its lexer state and error handler in process-wide variables, so only one
// thread may read at a time.
std::mutex& ReadLock() {
  static std::mutex lock;
  return lock;
}

struct PoFileDeleter {
  void operator()(po_file_t file) const { po_file_free(file); }
};
using PoFile = std::unique_ptr<std::remove_pointer_t<po_file_t>, PoFileDeleter>;

struct IteratorDeleter {
  void operator()(po_message_iterator_t it) const { po_message_iterator_free(it); }
};
using PoIterator = std::unique_ptr<std::remove_pointer_t<po_message_iterator_t>, IteratorDeleter>;

// The charset that the header's Content-Type declares ("" when none).
String DeclaredCharset(const String& header) {
  const String contentType = ToLowerAscii(HeaderField(header, "Content-Type"));
  const auto at = contentType.find("charset=");
  if (at == String::npos) return {};
  const auto start = at + std::strlen("charset=");
  const auto end = contentType.find_first_of("; \t", start);
  return contentType.substr(start, end == String::npos ? String::npos : end - start);
}

bool DeclaresUtf8(const String& charset) {
  return charset == "utf-8" || charset == "utf8";
}

// An undeclared charset (or the template's placeholder) is accepted when the text is UTF-8.
bool DeclaresNoCharset(const String& charset) {
  return charset.empty() || charset == "charset" || charset == "ascii" || charset == "us-ascii";
}

CatalogueProblem ProblemIn(const String& path, String message) {
  return CatalogueProblem{path, 0, std::move(message)};
}

// The translation an entry offers, or nullptr when it offers none.
const char* UsableText(po_message_t message) {
  if (po_message_is_obsolete(message) || po_message_is_fuzzy(message)) return nullptr;
  const char* text = po_message_msgid_plural(message) ? po_message_msgstr_plural(message, 0)
                                                      : po_message_msgstr(message);
  return text && *text ? text : nullptr;
}

// Copies the entries out of the reader's file. Also hands every context string back to the
// reader: its po_file_free does not release them.
Catalogue CollectEntries(po_file_t file) {
  Catalogue catalogue;
  PoIterator iterator(po_message_iterator(file, nullptr));
  while (po_message_t message = po_next_message(iterator.get())) {
    const char* context = po_message_msgctxt(message);
    if (!context) {
      if (*po_message_msgid(message) == '\0' && catalogue.header.empty()) {
        catalogue.header = po_message_msgstr(message);
      }
      continue;
    }
    if (const char* text = UsableText(message)) catalogue.texts.try_emplace(context, text);
    po_message_set_msgctxt(message, nullptr);
  }
  return catalogue;
}

std::optional<CatalogueProblem> CheckFile(const String& path) {
  std::error_code ec;
  const auto status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return ProblemIn(path, "the file does not exist");
  if (!fs::is_regular_file(status)) return ProblemIn(path, "it is not a file");
  const auto size = fs::file_size(path, ec);
  if (ec) return ProblemIn(path, "the file cannot be read: " + ec.message());
  if (size > kMaxCatalogueBytes) return ProblemIn(path, "the file is larger than 64 MB");
  return std::nullopt;
}

}  // namespace

String HeaderField(const String& header, const char* field) {
  std::unique_ptr<char, decltype(&std::free)> value(po_header_field(header.c_str(), field),
                                                    &std::free);
  return value ? TrimBlanks(value.get()) : String();
}

std::optional<CatalogueProblem> CheckCatalogueEncoding(const String& path,
                                                       const Catalogue& catalogue) {
  const String charset = DeclaredCharset(catalogue.header);
  // A declared UTF-8 is checked too: the reader only sees a declaration spelt "charset=" and
  // passes the bytes of any other spelling ("charSet=UTF-8") through unchecked.
  if (!DeclaresUtf8(charset) && !DeclaresNoCharset(charset)) {
    return ProblemIn(path, "the catalogue is encoded in " + charset + "; it must be UTF-8");
  }
  for (const auto& [context, text] : catalogue.texts) {
    if (!IsValidUtf8(text)) {
      return ProblemIn(path, "the text of \"" + context + "\" is not valid UTF-8");
    }
  }
  return std::nullopt;
}

std::variant<Catalogue, CatalogueProblem> ReadCatalogue(const String& path) {
  if (auto problem = CheckFile(path)) return *problem;
  ReaderCapture capture;
  PoFile file;
  int readError = 0;
  {
    const std::lock_guard<std::mutex> hold(ReadLock());
    errno = 0;
    t_capture = &capture;
    file.reset(ReadRaw(path.c_str(), capture));
    readError = errno;
    t_capture = nullptr;
  }
  // Collected even from a broken file: that also releases the file's context strings.
  Catalogue catalogue = file ? CollectEntries(file.get()) : Catalogue();
  if (capture.first) {
    if (capture.first->file.empty()) capture.first->file = path;
    return *capture.first;
  }
  if (capture.outOfMemory) return ProblemIn(path, "out of memory while reading");
  if (!file) {
    String reason = "the file cannot be read";
    if (readError) reason += ": " + std::error_code(readError, std::generic_category()).message();
    return ProblemIn(path, std::move(reason));
  }
  if (auto problem = CheckCatalogueEncoding(path, catalogue)) return *problem;
  return catalogue;
}

}  // namespace velko::language
