// kLvCopyFile against the platform's own copies, in one run:
//   a 256 MiB uncompressed file against CopyFileA           (goal: ratio <= 1.10)
//   "*.*" over 2,000 files of 4 KiB against a CopyFileA loop, into an empty
//   folder and onto files already there                      (goal: ratio <= 1.10)
//   a 64 MiB file expanded from the LZ format against LZCopy (goal: ratio <= 1.05)
//   a 256 MiB file copied with the progress window against kLvCopyFile,
//   to a new file and over an existing one                  (goal: ratio <= 1.10)
// Each side runs several times, alternating; the best time of each counts.
#include <windows.h>
#include <lzexpand.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench.h"
#include "kLv_Tool.h"
#include "klv_system.h"
#include "szdd.h"

namespace {

using bench::Now;
using klvtest::RemoveTree;
using klvtest::WriteFile;

constexpr int kRounds = 5;
const std::string kRoot = "C:\\klvbench";

// Incompressible bytes, quickly.
std::string Noise(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed | 1;
  for (std::size_t i = 0; i + 4 <= size; i += 4) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    std::memcpy(&bytes[i], &x, 4);
  }
  return bytes;
}

// Text with repeats and noise, as the LZ format is used for.
std::string Prose(std::size_t size) {
  static const char* words[] = {"title ", "video ", "sound ", "disc ", "the ", "of ", "\r\n", "setup "};
  std::string text;
  text.reserve(size + 16);
  std::uint32_t x = 12345;
  while (text.size() < size) {
    x = x * 1103515245u + 12345u;
    if ((x >> 16) % 6 == 0) text += static_cast<char>('A' + (x >> 8) % 26);
    else text += words[(x >> 20) % 8];
  }
  text.resize(size);
  return text;
}

// Whether two files hold the same bytes (the sides must agree to be compared).
bool SameContent(const std::string& a, const std::string& b) {
  HANDLE fa = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE fb = CreateFileA(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  bool same = fa != INVALID_HANDLE_VALUE && fb != INVALID_HANDLE_VALUE;
  std::vector<char> ba(1 << 20), bb(1 << 20);
  while (same) {
    DWORD ga = 0, gb = 0;
    same = ReadFile(fa, ba.data(), 1 << 20, &ga, nullptr) && ReadFile(fb, bb.data(), 1 << 20, &gb, nullptr) &&
           ga == gb && std::memcmp(ba.data(), bb.data(), ga) == 0;
    if (ga == 0) break;
  }
  if (fa != INVALID_HANDLE_VALUE) CloseHandle(fa);
  if (fb != INVALID_HANDLE_VALUE) CloseHandle(fb);
  return same;
}

struct Duel {
  double ours = 1e30, theirs = 1e30;
};

// Runs both sides kRounds times, alternating; before each, `reset` (untimed)
// clears that side's output (0 the platform's, 1 ours).
Duel Measure(const std::function<bool()>& ours, const std::function<bool()>& theirs,
             const std::function<void(const std::string&)>& reset, const std::string& mine,
             const std::string& platforms) {
  Duel duel;
  for (int round = 0; round < kRounds; ++round) {
    for (int side = 0; side < 2; ++side) {
      reset(side == 0 ? platforms : mine);
      const double start = Now();
      const bool done = side == 0 ? theirs() : ours();
      const double took = Now() - start;
      if (!done) {
        std::printf("  round %d: %s side failed\n", round, side == 0 ? "platform" : "kLv");
        continue;
      }
      double& best = side == 0 ? duel.theirs : duel.ours;
      best = std::min(best, took);
    }
  }
  return duel;
}

void Report(const char* what, const Duel& duel, double goal) {
  const double ratio = duel.ours / duel.theirs;
  std::printf("%-50s kLv %8.3f s  platform %8.3f s  ratio %5.2f  (goal <= %.2f: %s)\n", what, duel.ours,
              duel.theirs, ratio, goal, ratio <= goal ? "met" : "missed");
}

}  // namespace

// files_bench [big|many|lz|progress]: every case, or only the one named.
int main(int argc, char** argv) {
  const std::string only = argc > 1 ? argv[1] : "";
  const auto runs = [&](const char* name) { return only.empty() || only == name; };
  HMODULE library = LoadLibraryA("kLv_Tool.dll");
  const auto copyFile = reinterpret_cast<decltype(&kLvCopyFile)>(
      reinterpret_cast<void*>(library ? GetProcAddress(library, "kLvCopyFile@8") : nullptr));
  const auto copyFileProgress = reinterpret_cast<decltype(&kLvCopyFileProgress)>(
      reinterpret_cast<void*>(library ? GetProcAddress(library, "kLvCopyFileProgress@12") : nullptr));
  if (!copyFile || !copyFileProgress) {
    std::printf("kLv_Tool.dll, kLvCopyFile@8 or kLvCopyFileProgress@12 not found\n");
    return 1;
  }
  RemoveTree(kRoot);
  CreateDirectoryA(kRoot.c_str(), nullptr);

  if (runs("big")) {
    const std::string source = kRoot + "\\big.bin", mine = kRoot + "\\big.klv", theirs = kRoot + "\\big.win";
    if (!WriteFile(source, Noise(256u << 20, 7))) std::printf("cannot write %s\n", source.c_str());
    const Duel duel = Measure([&] { return copyFile(source.c_str(), mine.c_str()) == 0; },
                              [&] { return CopyFileA(source.c_str(), theirs.c_str(), FALSE) != 0; },
                              [](const std::string& out) { DeleteFileA(out.c_str()); }, mine, theirs);
    Report("256 MiB file vs CopyFileA", duel, 1.10);
    std::printf("  copies identical to the source: %s\n",
                SameContent(source, mine) && SameContent(source, theirs) ? "yes" : "NO");
    DeleteFileA(source.c_str());
    DeleteFileA(mine.c_str());
    DeleteFileA(theirs.c_str());
  }

  if (runs("many")) {
    const std::string folder = kRoot + "\\many", mine = kRoot + "\\many.klv", theirs = kRoot + "\\many.win";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<std::string> names;
    const std::string page = Noise(4096, 3);
    for (int i = 0; i < 2000; ++i) {
      names.push_back("file" + std::to_string(i) + ".dat");
      WriteFile(folder + "\\" + names.back(), page);
    }
    const auto ours = [&] { return copyFile((folder + "\\*.*").c_str(), (mine + "\\").c_str()) == 0; };
    const auto platform = [&] {
      for (const auto& name : names)
        if (!CopyFileA((folder + "\\" + name).c_str(), (theirs + "\\" + name).c_str(), FALSE)) return false;
      return true;
    };
    // Into an empty folder each round.
    const Duel fresh = Measure(ours, platform,
                               [](const std::string& out) {
                                 RemoveTree(out);
                                 CreateDirectoryA(out.c_str(), nullptr);
                               },
                               mine, theirs);
    Report("\"*.*\" 2,000 x 4 KiB, fresh, vs CopyFileA loop", fresh, 1.10);
    // Onto 2,000 files that are there already, each with other bytes.
    const std::string stale = Noise(4096, 5);
    const Duel overwrite = Measure(ours, platform,
                                   [&](const std::string& out) {
                                     for (const auto& name : names) WriteFile(out + "\\" + name, stale);
                                   },
                                   mine, theirs);
    Report("\"*.*\" 2,000 x 4 KiB, overwrite, vs CopyFileA loop", overwrite, 1.10);
    bool same = true;
    for (const auto& name : names) same = same && SameContent(mine + "\\" + name, theirs + "\\" + name);
    std::printf("  copies identical: %s\n", same ? "yes" : "NO");
    RemoveTree(folder);
    RemoveTree(mine);
    RemoveTree(theirs);
  }

  if (runs("lz")) {
    const std::string packed = kRoot + "\\prose.tx_", mine = kRoot + "\\prose.klv", theirs = kRoot + "\\prose.win";
    const std::string text = Prose(64u << 20);
    const std::string compressed = klvtest::SzddCompress(text, 't');
    WriteFile(packed, compressed);
    std::printf("LZ file: %zu bytes expanding to %zu\n", compressed.size(), text.size());
    const Duel duel = Measure([&] { return copyFile(packed.c_str(), mine.c_str()) == 0; },
                              [&] {
                                HANDLE in = CreateFileA(packed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                        OPEN_EXISTING, 0, nullptr);
                                HANDLE out = CreateFileA(theirs.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                                         CREATE_ALWAYS, 0, nullptr);
                                if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) return false;
                                const HFILE lz = LZInit(static_cast<HFILE>(reinterpret_cast<INT_PTR>(in)));
                                const LONG written =
                                    lz < 0 ? lz : LZCopy(lz, static_cast<HFILE>(reinterpret_cast<INT_PTR>(out)));
                                if (lz >= 0) LZClose(lz);  // closes `in` as well
                                else CloseHandle(in);
                                CloseHandle(out);
                                return written == static_cast<LONG>(text.size());
                              },
                              [](const std::string& out) { DeleteFileA(out.c_str()); }, mine, theirs);
    Report("64 MiB LZ expansion vs LZCopy", duel, 1.05);
    std::printf("  expansions identical: %s\n", SameContent(mine, theirs) ? "yes" : "NO");
  }

  if (runs("progress")) {
    const std::string source = kRoot + "\\big.bin", mine = kRoot + "\\big.shown", theirs = kRoot + "\\big.plain";
    if (!WriteFile(source, Noise(256u << 20, 9))) std::printf("cannot write %s\n", source.c_str());
    const auto shown = [&] { return copyFileProgress(source.c_str(), mine.c_str(), "Bench") == 0; };
    const auto plain = [&] { return copyFile(source.c_str(), theirs.c_str()) == 0; };
    const Duel fresh = Measure(shown, plain, [](const std::string& out) { DeleteFileA(out.c_str()); }, mine, theirs);
    Report("256 MiB with progress window vs kLvCopyFile, new", fresh, 1.10);
    // Over a file that is there already: replaced only once complete.
    const Duel over = Measure(shown, plain, [](const std::string& out) { WriteFile(out, "old"); }, mine, theirs);
    Report("256 MiB with progress window vs kLvCopyFile, over", over, 1.10);
    std::printf("  copies identical to the source: %s\n",
                SameContent(source, mine) && SameContent(source, theirs) ? "yes" : "NO");
  }

  RemoveTree(kRoot);
  return 0;
}
