// The examples of docs/USAGE.md, run as the page shows them, in one scratch
// folder with the programs of this build first on the PATH.
//
// The page's fenced blocks: a block whose info string holds "file=NAME"
// is a file the reader makes (written into the folder when the page reaches
// it); a "console" block holds commands, each on a line starting with "$ ",
// followed by what the terminal shows (standard output and error together).
// A command whose exit status is not 0 must be followed by "$ echo $?",
// which shows it.  In the expected text a line "..." stands for any lines
// (none included).  A "console varies" block shows the output of a run
// whose numbers depend on the clock-seeded random draws: its lines are
// compared with every digit and every sign (+ or -) taken as one and the
// same character, so the layout, the texts and the number of records are
// checked and the values are not.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "run_process.h"

namespace hc::test {
namespace {

struct doc_command {
  std::string command;
  std::vector<std::string> expected;
};

struct doc_block {
  int line = 0;          // line of the opening fence
  std::string file;      // "file=NAME": the file to make
  bool console = false;  // a console block
  bool varies = false;   // numbers compared by their layout only
  std::vector<std::string> text;
  std::vector<doc_command> commands;
};

std::vector<std::string> lines_of(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

std::vector<doc_block> parse_page(const std::string& page) {
  const std::vector<std::string> lines = lines_of(page);
  std::vector<doc_block> blocks;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("```", 0) != 0) continue;
    doc_block b;
    b.line = static_cast<int>(i) + 1;
    std::istringstream info(lines[i].substr(3));
    std::string word;
    bool first = true;
    while (info >> word) {
      if (first && word == "console") b.console = true;
      if (word == "varies") b.varies = true;
      if (word.rfind("file=", 0) == 0) b.file = word.substr(5);
      first = false;
    }
    for (++i; i < lines.size() && lines[i].rfind("```", 0) != 0; ++i) b.text.push_back(lines[i]);
    if (b.console)
      for (const std::string& l : b.text) {
        if (l.rfind("$ ", 0) == 0)
          b.commands.push_back({l.substr(2), {}});
        else if (!b.commands.empty())
          b.commands.back().expected.push_back(l);
      }
    if (b.console || !b.file.empty()) blocks.push_back(b);
  }
  return blocks;
}

std::string layout(std::string s) {
  for (char& c : s) {
    if (c >= '0' && c <= '9') c = '0';
    if (c == '+' || c == '-') c = ' ';
  }
  return s;
}

// want (with "..." lines) against got, from want[i] and got[j] on.
bool matches(const std::vector<std::string>& want, std::size_t i,
             const std::vector<std::string>& got, std::size_t j, bool varies) {
  if (i == want.size()) return j == got.size();
  if (want[i] == "...") {
    for (std::size_t k = j; k <= got.size(); ++k)
      if (matches(want, i + 1, got, k, varies)) return true;
    return false;
  }
  if (j == got.size()) return false;
  const bool same = varies ? layout(want[i]) == layout(got[j]) : want[i] == got[j];
  return same && matches(want, i + 1, got, j + 1, varies);
}

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const std::string& l : v) s += l + "\n";
  return s;
}

std::string dir_of(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

TEST(usage_doc, EveryExampleRunsAsShown) {
  const std::string page = read_file(USAGE_MD);
  ASSERT_FALSE(page.empty()) << USAGE_MD;
  const std::vector<doc_block> blocks = parse_page(page);
  const std::string path = dir_of(EQTRANS_BIN) + ":" + dir_of(EVALGEN_BIN) + ":" +
                           dir_of(ROOTSOLVE_BIN) + ":" + dir_of(WITSOLVE_BIN);
  scratch_dir dir;
  int ncommands = 0;
  for (const doc_block& b : blocks) {
    SCOPED_TRACE("docs/USAGE.md, block at line " + std::to_string(b.line));
    if (!b.file.empty()) {
      write_file(dir.file(b.file), joined(b.text));
      continue;
    }
    // Each command's output, then a line of \001 and its status.
    std::string script = "PATH='" + path + "':\"$PATH\"; export PATH\n";
    for (const doc_command& c : b.commands)
      script += "{ " + c.command + "\n} 2>&1; st=$?; printf '\\001%d\\n' \"$st\"; (exit $st)\n";
    const proc_result r = run_argv({"/bin/sh", "-c", script}, "", dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::vector<std::string>> outputs(1);
    std::vector<int> statuses;
    for (const std::string& l : lines_of(r.out)) {
      if (!l.empty() && l[0] == '\001') {
        statuses.push_back(std::stoi(l.substr(1)));
        outputs.emplace_back();
      } else {
        outputs.back().push_back(l);
      }
    }
    ASSERT_EQ(statuses.size(), b.commands.size()) << r.out;
    for (std::size_t k = 0; k < b.commands.size(); ++k) {
      const doc_command& c = b.commands[k];
      ++ncommands;
      EXPECT_TRUE(matches(c.expected, 0, outputs[k], 0, b.varies))
          << "$ " << c.command << "\nshows\n"
          << joined(outputs[k]) << "instead of\n"
          << joined(c.expected);
      const bool shown = k + 1 < b.commands.size() && b.commands[k + 1].command == "echo $?";
      if (statuses[k] != 0 && !shown)
        ADD_FAILURE() << "$ " << c.command << " ends with status " << statuses[k]
                      << ", which the page does not show";
    }
  }
  EXPECT_GT(ncommands, 0) << "no console block in docs/USAGE.md";
}

}  // namespace
}  // namespace hc::test
