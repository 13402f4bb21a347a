// Report texts that hold HTML or script, rendered by a real browser: they must show as text and
// nothing of theirs may run. Needs Chromium (headless); skipped where it is not installed.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "support/test_paths.hpp"
#include "velko/outside/html_report.hpp"

namespace velko {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> FindChromium() {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  std::istringstream dirs(path);
  for (std::string dir; std::getline(dirs, dir, ':');) {
    for (const char* name : {"chromium", "chromium-browser"}) {
      const fs::path candidate = fs::path(dir) / name;
      std::error_code ec;
      if (fs::is_regular_file(candidate, ec)) return candidate;
    }
  }
  return std::nullopt;
}

// The DOM of the page after the browser loaded it (and ran whatever scripts it holds).
std::string RenderedDom(const fs::path& browser, const fs::path& page, const fs::path& profile) {
  const std::string command = "timeout 120 '" + browser.string() +
                              "' --headless --no-sandbox --disable-gpu --disable-dev-shm-usage"
                              " --user-data-dir='" +
                              profile.string() + "' --dump-dom 'file://" + page.string() +
                              "' 2>/dev/null";
  std::string dom;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return dom;
  std::array<char, 4096> buffer{};
  for (std::size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    dom.append(buffer.data(), n);
  pclose(pipe);
  return dom;
}

TEST(RenderedReport, MarkupAndScriptInReportTextsShowAsTextInTheBrowser) {
  const std::optional<fs::path> browser = FindChromium();
  if (!browser) GTEST_SKIP() << "Chromium is not installed";

  // Each would mark the page with a data-pwned attribute if the browser ran it.
  const String script = "<script>document.documentElement.setAttribute('data-pwned','1')</script>";
  const String image =
      "<img src=x onerror=\"document.documentElement.setAttribute('data-pwned','2')\">";
  HtmlReport report("Title " + script);
  report.SetStyle(3);
  report.PrintHeading("Heading " + script);
  report.SetStyle(11);
  report.PrintHeading("Framed " + image);
  report.SetStyle(6);
  report.PrintTable("<5000|<5000", "Caption " + image + "|<b>plain</b>",
                    "Cell " + script + "|{\\b " + image + "};", 0, 0, 0);

  const fs::path folder = test::MakeTempDir("velko-rendered-report");
  const fs::path page = folder / "report.html";
  report.SaveToFile(page.string());
  const std::string dom = RenderedDom(*browser, page, folder / "profile");
  fs::remove_all(folder);

  ASSERT_NE(dom.find("</html>"), std::string::npos) << "the browser rendered nothing";
  EXPECT_EQ(dom.find("data-pwned=\""), std::string::npos) << "a script of the data ran";
  EXPECT_EQ(dom.find("<script"), std::string::npos);
  EXPECT_EQ(dom.find("<img"), std::string::npos);
  // The texts are all there, as text.
  for (const char* text :
       {"Heading &lt;script&gt;document.documentElement",
        "Framed &lt;img src=x onerror=", "Caption &lt;img src=x", "&lt;b&gt;plain&lt;/b&gt;",
        "Cell &lt;script&gt;", "<b>&lt;img src=x onerror="}) {
    EXPECT_NE(dom.find(text), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace velko
