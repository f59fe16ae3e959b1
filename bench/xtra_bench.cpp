// The cost of a Lingo method call through the Xtra against a direct call of
// the library function, for kLvToolVer and kLvReadIniString, in one run:
//   "call"  IMoaMmXScript::Call on a live script instance (argument and
//           result conversions included), as a host makes repeated calls;
//           the INI read once from a Director 10 host (ANSI texts, the ANSI
//           export) and once from a Director 12 host (UTF-8 texts converted
//           to UTF-16 and back around the wide export);
//   "whole" moahost's whole call: instance, interface, Call, release.
// The machine may be shared: the INI reads are timed in short interleaved
// rounds, and each keeps its best round.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench.h"
#include "klv_system.h"
#include "kLv_Tool.h"
#include "moahost.h"
#include "xtra.h"

namespace {

using bench::Now;

constexpr int kCalls = 20000;

// Seconds per call, best of three runs.
double PerCall(const std::function<void()>& call, int count) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const double start = Now();
    for (int i = 0; i < count; ++i) call();
    best = std::min(best, (Now() - start) / count);
  }
  return best;
}

// Seconds per call of each of `calls`, timed in `rounds` interleaved rounds
// of `count` calls; each keeps its best round.
std::vector<double> Interleaved(const std::vector<std::function<void()>>& calls, int rounds, int count) {
  std::vector<double> best(calls.size(), 1e9);
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t c = 0; c < calls.size(); ++c) {
      const double start = Now();
      for (int i = 0; i < count; ++i) calls[c]();
      best[c] = std::min(best[c], (Now() - start) / count);
    }
  }
  return best;
}

void Report(const char* what, double direct, double viaXtra) {
  std::printf("%-34s direct %8.2f us  via Xtra %8.2f us  ratio %6.2f\n", what, direct * 1e6, viaXtra * 1e6,
              viaXtra / direct);
}

// A host presenting one Director version, with a live script instance.
class Session {
 public:
  explicit Session(const char* version) : host_(klvtest::BinDir() + "\\kLvTools.x32", Presenting(version)) {
    if (host_.Register() != kMoaErr_NoErr) throw moahost::Error("Register failed");
    const MoaID classID = klv::xtra::kScriptClassID;
    instance_ = host_.Create(&classID);
    void* out = nullptr;
    if (host_.GetInterface(instance_, IID_IMoaMmXScript, &out) != kMoaErr_NoErr) throw moahost::Error("no interface");
    script_ = static_cast<IMoaMmXScript*>(out);
  }
  ~Session() {
    script_->Release();
    instance_->Release();
  }

  moahost::Host& Host() { return host_; }
  MoaLong Selector(const char* name) const { return host_.Methods().Find(name)->selector; }
  void Call(MoaLong selector, std::vector<MoaMmValue>& args) {
    MoaMmCallInfo record{instance_, 0, selector, moahost::Values::Void(), static_cast<MoaLong>(args.size()),
                         args.data()};
    script_->Call(&record);
  }

 private:
  static moahost::Options Presenting(const char* version) {
    moahost::Options options;
    options.version = version;
    return options;
  }

  moahost::Host host_;
  moahost::Instance* instance_ = nullptr;
  IMoaMmXScript* script_ = nullptr;
};

}  // namespace

int main() {
  try {
    const std::string ini = "C:\\klvbench_xtra.ini";
    WritePrivateProfileStringA("Section", "Key", "a value of moderate length", ini.c_str());
    Session director10("10.1"), director12("12.0");
    moahost::Values& values = director12.Host().ValueInterface();
    const MoaLong toolVer = director12.Selector("kLvToolVer");
    const MoaLong readIni = director12.Selector("kLvReadIniString");
    std::vector<MoaMmValue> noArgs = {{moahost::kObject, 0}};
    std::vector<MoaMmValue> iniArgs = {{moahost::kObject, 0}, values.String(ini), values.String("Section"),
                                       values.String("Key"), values.String("default")};
    moahost::Values& values10 = director10.Host().ValueInterface();
    std::vector<MoaMmValue> iniArgs10 = {{moahost::kObject, 0}, values10.String(ini), values10.String("Section"),
                                         values10.String("Key"), values10.String("default")};

    // Our stand-in host keeps every string it makes until it ends, so the
    // counts stay moderate.
    Report("kLvToolVer (call)", PerCall([] { kLvToolVer(); }, kCalls),
           PerCall([&] { director12.Call(toolVer, noArgs); }, kCalls));
    const auto ini3 = Interleaved({[&] { kLvReadIniString(ini.c_str(), "Section", "Key", "default"); },
                                   [&] { director10.Call(readIni, iniArgs10); },
                                   [&] { director12.Call(readIni, iniArgs); }},
                                  20, 100);
    Report("kLvReadIniString (call, Dir 10)", ini3[0], ini3[1]);
    Report("kLvReadIniString (call, Dir 12)", ini3[0], ini3[2]);
    Report("kLvToolVer (whole)", PerCall([] { kLvToolVer(); }, kCalls / 10),
           PerCall([&] { director12.Host().CallMethod("kLvToolVer", {}); }, kCalls / 10));
    DeleteFileA(ini.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "xtra_bench: %s\n", e.what());
    return 1;
  }
}
