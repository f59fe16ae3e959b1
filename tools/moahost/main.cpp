// moahost: loads a scripting Xtra the way the Director host does.
//   moahost [OPTIONS] XTRA              registers it and lists its methods
//                                       with their selectors
//   moahost [OPTIONS] XTRA METHOD ARGS  calls METHOD with Lingo literals
//                                       ("text" or a whole number, separated
//                                       by blanks or commas) and prints the
//                                       result as Lingo shows it
// Options: --director VERSION (the Director version the host presents,
// 12.0 when not given), --no-appinfo (the host offers no IMoaAppInfo: an
// ANSI host), --no-value (the host offers no IMoaMmValue), --fail-alloc=N
// (allocation request N fails), --fail-alloc-from=N (N and every later one).
// The command line is read whole and as Unicode, so the quotes of text
// literals and every character survive. Texts go to the Xtra in the
// presented version's encoding (UTF-8 for Director 11 and later, the ANSI
// code page otherwise), and results are printed in UTF-8.
// Exit codes: 0 done; 1 host failure; 2 refused before any call; 3 the Xtra
// answered an error; 4 the Xtra left blocks, instances or interfaces alive.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "moahost.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: moahost [--director VERSION] [--no-appinfo] [--no-value] [--fail-alloc=N] "
               "[--fail-alloc-from=N] XTRA [METHOD [ARG ...]]\n"
               "  --director VERSION  the Director version presented (default %s, the release authors\n"
               "                      use today; 11 and later speak UTF-8, 10 and earlier the ANSI code page)\n"
               "  --no-appinfo        no IMoaAppInfo: the Xtra takes the host for an ANSI one\n",
               moahost::kDefaultDirectorVersion);
  return 2;
}

struct Word {
  std::string text;
  std::size_t end;  // offset just past the word in the command line
};

// The words of a command line by the C runtime's rules: blanks separate,
// quotes group and are dropped, backslashes escape a quote. The line is
// UTF-8, whose multi-byte characters never hold these ASCII bytes.
std::vector<Word> SplitCommandLine(const std::string& line) {
  std::vector<Word> words;
  std::size_t at = 0;
  for (;;) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    if (at >= line.size()) return words;
    std::string word;
    bool quoted = false;
    while (at < line.size() && (quoted || (line[at] != ' ' && line[at] != '\t'))) {
      std::size_t slashes = 0;
      while (at < line.size() && line[at] == '\\') ++slashes, ++at;
      if (at < line.size() && line[at] == '"') {
        word.append(slashes / 2, '\\');
        if (slashes % 2) word += '"';
        else quoted = !quoted;
        ++at;
      } else {
        word.append(slashes, '\\');
        if (at < line.size() && (quoted || (line[at] != ' ' && line[at] != '\t'))) word += line[at++];
      }
    }
    words.push_back({word, at});
  }
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

void Print(const std::string& utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stdout); }

}  // namespace

int main() {
  _setmode(_fileno(stdout), _O_BINARY);  // results are printed byte for byte
  const std::string line = moahost::Utf8(GetCommandLineW());
  const std::vector<Word> words = SplitCommandLine(line);
  moahost::Options options;
  long failAt = 0;
  bool failLater = false;
  std::size_t next = 1;  // words[0] is the program
  for (; next < words.size() && StartsWith(words[next].text, "--"); ++next) {
    const std::string& word = words[next].text;
    if (word == "--no-value") {
      options.refuseValue = true;
    } else if (word == "--no-appinfo") {
      options.refuseAppInfo = true;
    } else if (word == "--director") {
      if (++next >= words.size()) return Usage();
      options.version = words[next].text;
    } else if (StartsWith(word, "--fail-alloc=") || StartsWith(word, "--fail-alloc-from=")) {
      failLater = StartsWith(word, "--fail-alloc-from=");
      failAt = std::atol(word.c_str() + word.find('=') + 1);
      if (failAt <= 0) return Usage();
    } else {
      return Usage();
    }
  }
  if (next >= words.size()) return Usage();
  const std::string path = words[next++].text;
  const std::string method = next < words.size() ? words[next].text : std::string();
  // Literals as written ("text" 12), unless the caller quoted each word the
  // runtime's way (as Unix shells under Wine do): then a word that kept its
  // quotes is a text.
  std::string literals;
  if (next < words.size()) {
    bool escaped = false;
    for (std::size_t i = next + 1; i < words.size(); ++i) escaped = escaped || StartsWith(words[i].text, "\"");
    if (escaped) {
      for (std::size_t i = next + 1; i < words.size(); ++i) literals += words[i].text + " ";
    } else {
      literals = line.substr(words[next].end);
    }
  }

  int status = 0;
  try {
    const UINT codePage = options.CodePage();
    moahost::Host host(moahost::Utf16(path), options);
    host.Allocator().FailRequest(failAt, failLater);
    const MoaError registered = host.Register();
    if (registered != kMoaErr_NoErr) {
      std::fprintf(stderr, "moahost: Register answered %s\n", moahost::HexCode(registered).c_str());
      return 3;
    }
    if (method.empty()) {
      const auto table = host.Methods();
      std::printf("xtra %s\n", table.xtraName.c_str());
      for (const auto& m : table.methods) std::printf("%d %s\n", static_cast<int>(m.selector), m.line.c_str());
    } else {
      auto args = moahost::ParseLiterals(literals);
      for (auto& arg : args)
        if (arg.isText) arg.text = moahost::Recode(arg.text, CP_UTF8, codePage);
      const auto result = host.CallMethod(method, args);
      if (result.error != kMoaErr_NoErr) {
        std::fprintf(stderr, "moahost: %s answered %s\n", method.c_str(), moahost::HexCode(result.error).c_str());
        status = 3;
      } else {
        Print(moahost::Recode(host.ValueInterface().Show(result.result), codePage, CP_UTF8, false) + "\n");
      }
    }
    if (host.LiveInstances() != 0 || host.CanUnloadNow() != kMoaErr_NoErr || host.Allocator().Live() != 0 ||
        host.Allocator().BadFrees() != 0) {
      std::fprintf(stderr, "moahost: left alive: %ld instance(s), %ld block(s); DllCanUnloadNow %s; %ld bad free(s)\n",
                   host.LiveInstances(), host.Allocator().Live(), moahost::HexCode(host.CanUnloadNow()).c_str(),
                   host.Allocator().BadFrees());
      status = 4;
    }
  } catch (const moahost::Refused& e) {
    std::fprintf(stderr, "moahost: %s\n", e.what());
    status = 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "moahost: %s\n", e.what());
    status = 1;
  }
  return status;
}
