// The cost of a Lingo method call through the Xtra against a direct call of
// the library function, for kLvToolVer and kLvReadIniString, in one run:
//   "call"  IMoaMmXScript::Call on a live script instance (argument and
//           result conversions included), as a host makes repeated calls;
//   "whole" moahost's whole call: instance, interface, Call, release.
#include <windows.h>

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

void Report(const char* what, double direct, double viaXtra) {
  std::printf("%-34s direct %8.2f us  via Xtra %8.2f us  ratio %6.2f\n", what, direct * 1e6, viaXtra * 1e6,
              viaXtra / direct);
}

}  // namespace

int main() {
  try {
    moahost::Host host(klvtest::BinDir() + "\\kLvTools.x32");
    if (host.Register() != kMoaErr_NoErr) throw moahost::Error("Register failed");
    const std::string ini = "C:\\klvbench_xtra.ini";
    WritePrivateProfileStringA("Section", "Key", "a value of moderate length", ini.c_str());

    const MoaID classID = klv::xtra::kScriptClassID;
    moahost::Instance* instance = host.Create(&classID);
    void* out = nullptr;
    if (host.GetInterface(instance, IID_IMoaMmXScript, &out) != kMoaErr_NoErr) throw moahost::Error("no interface");
    auto* script = static_cast<IMoaMmXScript*>(out);
    moahost::Values& values = host.ValueInterface();
    const MoaLong toolVer = host.Methods().Find("kLvToolVer")->selector;
    const MoaLong readIni = host.Methods().Find("kLvReadIniString")->selector;
    std::vector<MoaMmValue> noArgs = {{moahost::kObject, 0}};
    std::vector<MoaMmValue> iniArgs = {{moahost::kObject, 0}, values.String(ini), values.String("Section"),
                                       values.String("Key"), values.String("default")};
    auto call = [&](MoaLong selector, std::vector<MoaMmValue>& args) {
      MoaMmCallInfo record{instance, 0, selector, moahost::Values::Void(), static_cast<MoaLong>(args.size()),
                           args.data()};
      script->Call(&record);
    };

    // Our stand-in host keeps every string it makes until it ends, so the
    // counts stay moderate.
    Report("kLvToolVer (call)", PerCall([] { kLvToolVer(); }, kCalls),
           PerCall([&] { call(toolVer, noArgs); }, kCalls));
    Report("kLvReadIniString (call)",
           PerCall([&] { kLvReadIniString(ini.c_str(), "Section", "Key", "default"); }, kCalls / 10),
           PerCall([&] { call(readIni, iniArgs); }, kCalls / 10));
    Report("kLvToolVer (whole)", PerCall([] { kLvToolVer(); }, kCalls / 10),
           PerCall([&] { host.CallMethod("kLvToolVer", {}); }, kCalls / 10));
    script->Release();
    instance->Release();
    DeleteFileA(ini.c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "xtra_bench: %s\n", e.what());
    return 1;
  }
}
