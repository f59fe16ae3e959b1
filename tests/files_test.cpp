// Files and folders through the exports, against Wine's real file system.
#include "klv_test.h"

#include <commctrl.h>
#include <lzexpand.h>

#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <regex>
#include <vector>

#include "klv_window.h"

#include "szdd.h"

using namespace klvtest;

namespace {

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

// Repetitive text with some noise: what the LZ format is made for.
std::string TextLike(std::size_t size, unsigned seed) {
  static const char* words[] = {"title ", "video ", "sound ", "disc ", "the ", "of ", "\r\n", "kLv "};
  std::mt19937 generator(seed);
  std::string text;
  while (text.size() < size) text += (generator() % 5 == 0) ? std::string(1, char('A' + generator() % 26)) : words[generator() % 8];
  text.resize(size);
  return text;
}

FILETIME LastWrite(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftLastWriteTime;
}

bool SetYear(const std::string& path, WORD year) {
  SYSTEMTIME when{year, 6, 0, 15, 12, 0, 0, 0};
  FILETIME time;
  SystemTimeToFileTime(&when, &time);
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const BOOL done = SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  return done;
}

// The names that a search over `pattern` yields, in the platform's order.
std::vector<std::string> PlatformOrder(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return names;
}

// The same file seen through Wine's Z: drive (the host's root), or empty
// where the platform is not Wine.
std::string UnixDriveView(const std::string& path) {
  using UnixName = char*(__cdecl*)(const WCHAR*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return "";
  const std::wstring wide(path.begin(), path.end());
  char* name = unixName(wide.c_str());
  if (!name) return "";
  std::string view = "Z:" + std::string(name);
  HeapFree(GetProcessHeap(), 0, name);
  for (char& c : view)
    if (c == '/') c = '\\';
  return view;
}

// A drive letter that names no drive.
std::string MissingDrive() {
  const DWORD drives = GetLogicalDrives();
  for (char letter = 'Q'; letter <= 'Y'; ++letter)
    if (!(drives & (1u << (letter - 'A')))) return std::string(1, letter) + ":";
  return "";
}

// Every file under `folder` by its path below it, with its content.
std::map<std::string, std::string> Tree(const std::string& folder, const std::string& below = "") {
  std::map<std::string, std::string> files;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return files;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      for (auto& [path, content] : Tree(folder + "\\" + name, below + name + "\\")) files[path] = content;
    } else {
      files[below + name] = ReadFile(folder + "\\" + name).value_or("<unreadable>");
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return files;
}

// A file of `size` bytes that costs no time to write: the platform leaves
// its unwritten part as zeros.
bool WriteSparse(const std::string& path, LONGLONG size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER end;
  end.QuadPart = size;
  DWORD written = 0;
  const bool done = WriteFile(file, "head", 4, &written, nullptr) && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
                    SetEndOfFile(file);
  CloseHandle(file);
  return done;
}

constexpr char kProgressClass[] = "kLvCopyProgress";

// What the progress window showed.
struct ProgressSeen {
  HWND owner = nullptr;
  bool ownerEnabled = true;
  std::string name, button;
  int range = 0, position = 0;
};

class Files : public ::testing::Test {
 protected:
  TempDir dir;
  std::string src = dir / "src";
  std::string dst = dir / "dst";

  void SetUp() override { ASSERT_TRUE(CreateDirectoryA(src.c_str(), nullptr)); }

  int Copy(const std::string& from, const std::string& to) { return kLvCopyFile(from.c_str(), to.c_str()); }
  int Move(const std::string& from, const std::string& to) { return kLvMoveFile(from.c_str(), to.c_str()); }
  int CopyShown(const std::string& from, const std::string& to, const char* title = "") {
    return kLvCopyFileProgress(from.c_str(), to.c_str(), title);
  }
  int Exists(const std::string& name) { return kLvDoesFileExist(name.c_str()); }
  int Delete(const std::string& name) { return kLvDeleteFile(name.c_str()); }
  std::string Info(const std::string& name, const char* what) { return kLvGetFileInfo(name.c_str(), what); }

  // Writes the named files into src, each holding its own name.
  void Put(std::initializer_list<const char*> names) {
    for (const char* name : names) ASSERT_TRUE(WriteFile(src + "\\" + name, name));
  }
  std::string Content(const std::string& path) { return ReadFile(path).value_or("<missing>"); }
};

}  // namespace

TEST_F(Files, FolderChainIsCreatedOutermostFirst) {
  // Each CreateDirectoryA needs its parent, so the chain only succeeds from the outside in.
  const std::string deep = dir / "a\\b\\c\\";
  EXPECT_EQ(kLvCreateDirectory(deep.c_str()), 0);
  EXPECT_TRUE(IsFolder(dir / "a\\b\\c"));
  EXPECT_EQ(kLvCreateDirectory(deep.c_str()), 0);  // already there
  EXPECT_EQ(kLvCreateDirectory((dir / "a\\b").c_str()), 0);
  EXPECT_EQ(kLvCreateDirectory((dir / "x\\\\y").c_str()), 0);  // a doubled separator
  EXPECT_TRUE(IsFolder(dir / "x\\y"));
}

TEST_F(Files, CreateDirectoryRefusals) {
  ASSERT_TRUE(WriteFile(dir / "file", "x"));
  EXPECT_EQ(kLvCreateDirectory((dir / "file").c_str()), -1);
  EXPECT_EQ(kLvCreateDirectory((dir / "file\\sub").c_str()), -1);
  EXPECT_EQ(kLvCreateDirectory(nullptr), -1);
  EXPECT_EQ(kLvCreateDirectory(""), -1);
  EXPECT_EQ(kLvCreateDirectory("*"), -1);
  {
    // Names of one and two characters are never created; three are.
    CurrentFolder here(dir.Path());
    EXPECT_EQ(kLvCreateDirectory("a"), -1);
    EXPECT_EQ(kLvCreateDirectory("ab"), -1);
    EXPECT_EQ(kLvCreateDirectory("ab\\"), -1);
    EXPECT_EQ(kLvCreateDirectory("abc"), 0);
  }
  EXPECT_FALSE(klvtest::Exists(dir / "a"));
  EXPECT_FALSE(klvtest::Exists(dir / "ab"));
  EXPECT_TRUE(IsFolder(dir / "abc"));
  EXPECT_EQ(kLvCreateDirectory(LongText(100000).c_str()), -1);
  // A name whose length wraps the platform's 16-bit count would reach it as
  // its first few characters: it is refused, not cut.
  const std::string wrapped = dir / "wrap";
  EXPECT_EQ(kLvCreateDirectory((wrapped + "\\" + LongText(65535)).c_str()), -1);
  EXPECT_FALSE(klvtest::Exists(wrapped));
  // A name ending in a colon is its own folder part: there is no parent to
  // walk to, so the missing q is not made and the name cannot be.
  const std::string colon = dir / "q\\ab:";
  EXPECT_EQ(kLvCreateDirectory(colon.c_str()), -1);
  EXPECT_FALSE(klvtest::Exists(dir / "q"));
}

TEST_F(Files, RemoveDirectory) {
  const std::string full = dir / "full", empty = dir / "empty";
  ASSERT_EQ(kLvCreateDirectory((full + "\\inner").c_str()), 0);
  ASSERT_EQ(kLvCreateDirectory(empty.c_str()), 0);
  EXPECT_EQ(kLvRemoveDirectory(full.c_str()), -1);
  EXPECT_TRUE(IsFolder(full + "\\inner"));
  EXPECT_EQ(kLvRemoveDirectory(empty.c_str()), 0);
  EXPECT_FALSE(klvtest::Exists(empty));
  EXPECT_EQ(kLvRemoveDirectory(empty.c_str()), -1);
  ASSERT_TRUE(WriteFile(dir / "file", "x"));
  EXPECT_EQ(kLvRemoveDirectory((dir / "file").c_str()), -1);
  EXPECT_TRUE(klvtest::Exists(dir / "file"));
  EXPECT_EQ(kLvRemoveDirectory(nullptr), -1);
  EXPECT_EQ(kLvRemoveDirectory(""), -1);
  EXPECT_EQ(kLvRemoveDirectory(LongText(100000).c_str()), -1);
}

TEST_F(Files, FileTest) {
  Put({"a.txt", "b.txt", "hidden.dat", "system.dat", "old.dat"});
  ASSERT_TRUE(SetFileAttributesA((src + "\\hidden.dat").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA((src + "\\system.dat").c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetYear(src + "\\old.dat", 1975));
  EXPECT_EQ(Exists(src + "\\a.txt"), 1);
  EXPECT_EQ(Exists(src + "\\A.TXT"), 1);
  EXPECT_EQ(Exists(src + "\\*.txt"), 1);
  EXPECT_EQ(Exists(src + "\\?.txt"), 1);
  EXPECT_EQ(Exists(src + "\\hidden.dat"), 1);
  EXPECT_EQ(Exists(src + "\\system.dat"), 1);
  EXPECT_EQ(Exists(src + "\\old.dat"), 0);  // no DOS date before 1980
  ASSERT_TRUE(SetYear(src + "\\old.dat", 1981));
  EXPECT_EQ(Exists(src + "\\old.dat"), 1);
  EXPECT_EQ(Exists(src), 0);
  EXPECT_EQ(Exists(src + "\\"), 0);
  EXPECT_EQ(Exists(src + "\\*.zip"), 0);
  EXPECT_EQ(Exists(src + "\\missing.txt"), 0);
  EXPECT_EQ(Exists(dir / "nowhere\\a.txt"), 0);
  EXPECT_EQ(kLvDoesFileExist(nullptr), 0);
  EXPECT_EQ(kLvDoesFileExist(""), 0);
  EXPECT_EQ(Exists(LongText(100000)), 0);
  EXPECT_EQ(Exists(src + "\\a.txt" + std::string(65536, ' ')), 0);
  {
    CurrentFolder here(dir.Path());  // holds only the folder src
    EXPECT_EQ(kLvDoesFileExist("*"), 0);
    EXPECT_EQ(kLvDoesFileExist("*.*"), 0);
  }
  {
    CurrentFolder here(src);
    EXPECT_EQ(kLvDoesFileExist("b.*"), 1);
  }
}

TEST_F(Files, StarDotStarIntoAFolderCreatedOnTheWay) {
  Put({"one.txt", "two.doc", "three", "hidden.txt", "system.txt", "readonly.txt"});
  ASSERT_TRUE(SetFileAttributesA((src + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA((src + "\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetFileAttributesA((src + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(CreateDirectoryA((src + "\\folder").c_str(), nullptr));
  EXPECT_EQ(Copy(src + "\\*.*", dst + "\\deeper\\"), 0);
  const std::string out = dst + "\\deeper\\";
  for (const char* name : {"one.txt", "two.doc", "three", "readonly.txt"}) EXPECT_EQ(Content(out + name), name);
  for (const char* name : {"hidden.txt", "system.txt", "folder"}) EXPECT_FALSE(klvtest::Exists(out + name)) << name;
  EXPECT_EQ(Content(src + "\\one.txt"), "one.txt");  // a copy leaves its sources
  // The copy is an ordinary, writable file dated as its source.
  EXPECT_EQ(GetFileAttributesA((out + "readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  const FILETIME copied = LastWrite(out + "one.txt"), original = LastWrite(src + "\\one.txt");
  EXPECT_EQ(CompareFileTime(&copied, &original), 0);
}

TEST_F(Files, NameMappingTable) {
  Put({"n.txt", "m.txt", "readme.doc", "readme.txt", "plain"});
  ASSERT_EQ(kLvCreateDirectory((dst + "\\").c_str()), 0);
  // "*.txt" to x.bak: every name keeps its own base and takes the extension.
  EXPECT_EQ(Copy(src + "\\*.txt", dst + "\\x.bak"), 0);
  EXPECT_EQ(Content(dst + "\\n.bak"), "n.txt");
  EXPECT_EQ(Content(dst + "\\m.bak"), "m.txt");
  EXPECT_EQ(Content(dst + "\\readme.bak"), "readme.txt");
  EXPECT_FALSE(klvtest::Exists(dst + "\\x.bak"));
  // "*" into a folder drops every extension.
  EXPECT_EQ(Copy(src + "\\*", dst + "\\stripped\\"), 0);
  EXPECT_EQ(Content(dst + "\\stripped\\n"), "n.txt");
  EXPECT_EQ(Content(dst + "\\stripped\\plain"), "plain");
  // "readme.*" to info.txt: the name is the destination's, the extension each source's.
  EXPECT_EQ(Copy(src + "\\readme.*", dst + "\\info.txt"), 0);
  EXPECT_EQ(Content(dst + "\\info.doc"), "readme.doc");
  EXPECT_EQ(Content(dst + "\\info.txt"), "readme.txt");
  // "*.*" to a name without a trailing backslash: the files go beside that name.
  EXPECT_EQ(Copy(src + "\\*.*", dst + "\\nobackslash"), 0);
  EXPECT_EQ(Content(dst + "\\plain"), "plain");
  EXPECT_EQ(Content(dst + "\\readme.doc"), "readme.doc");
  EXPECT_FALSE(klvtest::Exists(dst + "\\nobackslash"));
  // No wildcard: one file under the destination's name.
  EXPECT_EQ(Copy(src + "\\plain", dst + "\\renamed.dat"), 0);
  EXPECT_EQ(Content(dst + "\\renamed.dat"), "plain");
}

TEST_F(Files, CopyIntoTheSourceFolderPicksUpNothingItMade) {
  Put({"a.txt", "b.txt", "c.txt"});
  // Every "*" match becomes name.bak beside it; the new files match "*" too.
  EXPECT_EQ(Copy(src + "\\*", src + "\\x.bak"), 0);
  for (const char* name : {"a", "b", "c"}) EXPECT_EQ(Content(src + "\\" + name + ".bak"), std::string(name) + ".txt");
  EXPECT_EQ(PlatformOrder(src + "\\*").size(), 6u);
}

TEST_F(Files, SameFileIsLeftIntact) {
  // A compressed file expanded onto itself grows without end, so that case
  // runs on the small drive (SmallDrive) where a fault ends at a full disk.
  const std::string file = src + "\\same.txt";
  ASSERT_TRUE(WriteFile(file, "content"));
  // The same full path: nothing is touched.
  const FILETIME before = LastWrite(file);
  EXPECT_EQ(Copy(file, file), 5);
  EXPECT_EQ(Move(file, src + "\\.\\same.txt"), 5);
  const FILETIME after = LastWrite(file);
  EXPECT_EQ(CompareFileTime(&before, &after), 0);
  // Other forms of the same path: letter case, the folder as the
  // destination of "*.*", the Z: drive's view of C:.
  std::string upper = file;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  std::vector<std::pair<std::string, std::string>> forms = {
      {file, upper}, {src + "\\*.*", src + "\\"}, {src + "\\*.t*", src + "\\x.t*"}};
  const std::string viaZ = UnixDriveView(file);
  if (!viaZ.empty()) forms.emplace_back(file, viaZ);
  for (const auto& [from, to] : forms) {
    EXPECT_EQ(Copy(from, to), 5) << from << " -> " << to;
    EXPECT_EQ(Move(from, to), 5) << from << " -> " << to;
    EXPECT_EQ(Content(file), "content");
  }
}

TEST_F(Files, SourceCodes) {
  Put({"a.txt"});
  ASSERT_TRUE(CreateDirectoryA((src + "\\folder.txt").c_str(), nullptr));
  ASSERT_TRUE(WriteFile(src + "\\hidden.dat", "h"));
  ASSERT_TRUE(SetFileAttributesA((src + "\\hidden.dat").c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Copy(dir / "missing\\*.*", dst + "\\"), 2);
  EXPECT_EQ(Copy(dir / "missing\\a.txt", dst + "\\a.txt"), 2);
  EXPECT_EQ(Copy(src + "\\*.zip", dst + "\\"), 1);
  EXPECT_EQ(Copy(src + "\\b.txt", dst + "\\b.txt"), 1);
  EXPECT_EQ(Copy(src + "\\folder.*", dst + "\\"), 1);  // folders are never copied
  EXPECT_EQ(Copy(src + "\\*.dat", dst + "\\"), 1);     // nor hidden files
  EXPECT_EQ(Copy(src + "\\folder.txt", dst + "\\x"), 1);
  EXPECT_FALSE(klvtest::Exists(dst));
}

TEST_F(Files, ReadOnlySourceIsCopiedAndMoveLeavesIt) {
  Put({"ro.txt"});
  const std::string ro = src + "\\ro.txt";
  ASSERT_TRUE(SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Copy(ro, dst + "\\copy.txt"), 0);
  EXPECT_EQ(Content(dst + "\\copy.txt"), "ro.txt");
  EXPECT_EQ(Move(ro, dst + "\\moved.txt"), 0);
  EXPECT_EQ(Content(dst + "\\moved.txt"), "ro.txt");
  EXPECT_EQ(Content(ro), "ro.txt");
}

TEST_F(Files, MoveCopiesThenDeletes) {
  Put({"a.txt", "b.txt"});
  EXPECT_EQ(Move(src + "\\*.txt", dst + "\\*.txt"), 0);
  EXPECT_EQ(Content(dst + "\\a.txt"), "a.txt");
  EXPECT_EQ(Content(dst + "\\b.txt"), "b.txt");
  EXPECT_TRUE(PlatformOrder(src + "\\*").empty());
}

TEST_F(Files, OverwritingLeavesExactlyTheNewContent) {
  ASSERT_TRUE(WriteFile(src + "\\short.txt", "new"));
  ASSERT_TRUE(WriteFile(dst + "_long.txt", std::string(10000, 'o')));
  EXPECT_EQ(Copy(src + "\\short.txt", dst + "_long.txt"), 0);
  EXPECT_EQ(Content(dst + "_long.txt"), "new");
  const std::string expanded = TextLike(5000, 7);
  ASSERT_TRUE(WriteFile(src + "\\packed.tx_", SzddCompress(expanded, 't')));
  ASSERT_TRUE(WriteFile(dst + "_long.txt", std::string(9000, 'o')));
  EXPECT_EQ(Copy(src + "\\packed.tx_", dst + "_long.txt"), 0);
  EXPECT_EQ(Content(dst + "_long.txt"), expanded);
  // A wildcard copy onto files that are there already, each longer.
  Put({"a.txt", "b.txt"});
  ASSERT_TRUE(CreateDirectoryA(dst.c_str(), nullptr));
  for (const char* name : {"a.txt", "b.txt", "short.txt"})
    ASSERT_TRUE(WriteFile(dst + "\\" + name, std::string(7000, 'o')));
  EXPECT_EQ(Copy(src + "\\*.txt", dst + "\\*.txt"), 0);
  for (const char* name : {"a.txt", "b.txt"}) EXPECT_EQ(Content(dst + "\\" + name), name);
  EXPECT_EQ(Content(dst + "\\short.txt"), "new");
}

TEST_F(Files, HardLinkToTheSourceIsLeftIntact) {
  // Another name for the same data: only the file's identity tells them apart.
  Put({"a.txt"});
  const std::string link = src + "\\link.txt";
  if (!CreateHardLinkA(link.c_str(), (src + "\\a.txt").c_str(), nullptr))
    GTEST_SKIP() << "no hard links on this file system";
  EXPECT_EQ(Copy(src + "\\a.txt", link), 5);
  EXPECT_EQ(Move(src + "\\a.*", src + "\\link.*"), 5);
  EXPECT_EQ(Content(src + "\\a.txt"), "a.txt");
  EXPECT_EQ(Content(link), "a.txt");
}

TEST_F(Files, ThirdOfFiveFailing) {
  Put({"1.dat", "2.dat", "3.dat", "4.dat", "5.dat"});
  for (const bool move : {false, true}) {
    SCOPED_TRACE(move ? "move" : "copy");
    const auto order = PlatformOrder(src + "\\*.dat");
    ASSERT_EQ(order.size(), 5u);
    const std::string out = dst + (move ? "m\\" : "c\\");
    // The third file in search order is locked against reading.
    HANDLE lock = CreateFileA((src + "\\" + order[2]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(move ? Move(src + "\\*.*", out) : Copy(src + "\\*.*", out), 5);
    CloseHandle(lock);
    for (std::size_t i = 0; i < 5; ++i) {
      EXPECT_EQ(klvtest::Exists(out + order[i]), i < 2) << order[i];
      EXPECT_EQ(klvtest::Exists(src + "\\" + order[i]), !move || i >= 2) << order[i];
    }
  }
}

TEST_F(Files, LzSourcesArriveExpanded) {
  const std::size_t sizes[] = {0, 1, 2, 3, 17, 18, 19, 4095, 4096, 4097, 65536, 300001, (1 << 20) + 3};
  unsigned seed = 1;
  for (const std::size_t size : sizes) {
    for (const bool text : {false, true}) {
      SCOPED_TRACE(std::to_string(size) + (text ? " text" : " random"));
      const std::string data = text ? TextLike(size, seed++) : RandomBytes(size, seed++);
      const std::string packed = src + "\\data.bi_";
      ASSERT_TRUE(WriteFile(packed, SzddCompress(data, 'n')));
      // The platform's own expander, called directly.
      HANDLE in = CreateFileA(packed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      HANDLE out = CreateFileA((dir / "direct.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      ASSERT_NE(in, INVALID_HANDLE_VALUE);
      ASSERT_NE(out, INVALID_HANDLE_VALUE);
      const HFILE lz = LZInit(static_cast<HFILE>(reinterpret_cast<INT_PTR>(in)));
      ASSERT_GT(lz, 0);
      EXPECT_EQ(LZCopy(lz, static_cast<HFILE>(reinterpret_cast<INT_PTR>(out))), static_cast<LONG>(size));
      LZClose(lz);
      CloseHandle(out);
      EXPECT_TRUE(Content(dir / "direct.bin") == data);
      // Through the library.
      EXPECT_EQ(Copy(packed, dst + "\\data.bin"), 0);
      EXPECT_TRUE(Content(dst + "\\data.bin") == data);
    }
  }
  // Moving expands as well, and removes the compressed source.
  EXPECT_EQ(Move(src + "\\data.bi_", dst + "\\moved.bin"), 0);
  EXPECT_EQ(ReadFile(dst + "\\moved.bin")->size(), (std::size_t(1) << 20) + 3);
  EXPECT_FALSE(klvtest::Exists(src + "\\data.bi_"));
}

TEST_F(Files, LzLookalikes) {
  // Shorter than the header, or another method: not expanded as method A.
  const std::string magic("SZDD\x88\xF0\x27\x33", 8);
  ASSERT_TRUE(WriteFile(src + "\\short.bin", magic + "A"));
  EXPECT_EQ(Copy(src + "\\short.bin", dst + "\\short.bin"), 0);
  EXPECT_EQ(Content(dst + "\\short.bin"), magic + "A");
  std::string other = SzddCompress(TextLike(100, 3));
  other[8] = 'B';
  ASSERT_TRUE(WriteFile(src + "\\other.bin", other));
  EXPECT_EQ(Copy(src + "\\other.bin", dst + "\\other.bin"), 5);
  EXPECT_FALSE(klvtest::Exists(dst + "\\other.bin"));  // no empty file left behind
  EXPECT_EQ(Content(src + "\\other.bin"), other);
}

TEST_F(Files, LongPathsWithinThePlatformLimit) {
  // About 250 characters: well past the 59 of a fixed buffer.
  std::string folder = dir.Path();
  while (folder.size() < 210) folder += "\\" + LongText(20, 'k');
  const std::string from = folder + "\\source.txt", to = folder + "\\x\\target.txt";
  ASSERT_LT(to.size(), std::size_t(MAX_PATH));
  ASSERT_EQ(kLvCreateDirectory(folder.c_str()), 0);
  ASSERT_TRUE(WriteFile(from, "deep"));
  EXPECT_EQ(Exists(from), 1);
  EXPECT_EQ(Copy(from, to), 0);
  EXPECT_EQ(Content(to), "deep");
  EXPECT_EQ(Move(folder + "\\*.txt", folder + "\\y\\*.txt"), 0);
  EXPECT_EQ(Content(folder + "\\y\\source.txt"), "deep");
}

TEST_F(Files, BadInput) {
  Put({"keep.txt"});
  ASSERT_TRUE(CreateDirectoryA(dst.c_str(), nullptr));
  const std::string keep = src + "\\keep.txt";
  EXPECT_EQ(kLvCopyFile(nullptr, nullptr), 1);
  EXPECT_EQ(kLvCopyFile(nullptr, (dst + "\\x").c_str()), 1);
  EXPECT_EQ(kLvCopyFile("", (dst + "\\x").c_str()), 1);
  EXPECT_EQ(kLvCopyFile(keep.c_str(), nullptr), 4);
  EXPECT_EQ(kLvMoveFile(keep.c_str(), ""), 4);
  EXPECT_EQ(Copy(LongText(100000), dst + "\\x"), 5);
  EXPECT_EQ(Move(keep, LongText(100000)), 5);
  EXPECT_EQ(Move(keep, dst + "\\" + LongText(1000)), 5);
  // A destination name that wraps the platform's 16-bit count is refused whole.
  EXPECT_EQ(Move(keep, dst + "\\w.txt" + std::string(65536, 'p')), 5);
  EXPECT_FALSE(klvtest::Exists(dst + "\\w.txt"));
  // Wildcards where a name is needed.
  EXPECT_EQ(Copy(keep, dst + "\\*.*"), 5);
  EXPECT_EQ(Move(src + "\\keep.*", dst + "\\*"), 5);
  // A destination that cannot be reached.
  const std::string drive = MissingDrive();
  ASSERT_FALSE(drive.empty());
  EXPECT_EQ(Copy(keep, drive + "\\x.txt"), 4);
  EXPECT_EQ(Move(keep, drive + "\\folder\\x.txt"), 4);
  EXPECT_EQ(Move(src + "\\*.*", drive + "\\folder\\"), 4);
  ASSERT_TRUE(WriteFile(dir / "blocker", "b"));
  EXPECT_EQ(Move(keep, dir / "blocker\\x.txt"), 4);
  EXPECT_EQ(Content(dir / "blocker"), "b");
  EXPECT_EQ(Move(keep, dst), 5);  // the destination is a folder
  ASSERT_TRUE(WriteFile(dst + "\\locked.txt", "old and longer"));
  ASSERT_TRUE(SetFileAttributesA((dst + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Move(keep, dst + "\\locked.txt"), 5);
  EXPECT_EQ(Content(dst + "\\locked.txt"), "old and longer");
  EXPECT_EQ(Content(keep), "keep.txt");
  {
    // Patterns of wildcards only work on the current folder.
    CurrentFolder here(src);
    EXPECT_EQ(kLvCopyFile("*", "*"), 5);
    EXPECT_EQ(kLvCopyFile("*.*", "out\\"), 0);
    EXPECT_EQ(kLvCopyFile("?", "out\\"), 1);
  }
  EXPECT_EQ(Content(src + "\\out\\keep.txt"), "keep.txt");
  EXPECT_EQ(Content(keep), "keep.txt");
}

TEST_F(Files, NothingLeftOpen) {
  Put({"a.txt", "b.txt"});
  ASSERT_TRUE(WriteFile(src + "\\packed.tx_", SzddCompress(TextLike(3000, 5), 't')));
  const std::string drive = MissingDrive();
  auto round = [&] {
    Copy(src + "\\*.*", dst + "\\");
    Copy(src + "\\packed.tx_", dst + "\\packed.txt");
    Copy(src + "\\a.txt", src + "\\A.TXT");
    Copy(src + "\\*.zip", dst + "\\");
    Copy(dir / "missing\\*.*", dst + "\\");
    Copy(src + "\\a.txt", drive + "\\x\\y.txt");
    Move(dst + "\\*.txt", dir / "moved\\");
    Exists(src + "\\*.txt");
    kLvCreateDirectory((dir / "f\\g").c_str());
    kLvRemoveDirectory((dir / "f\\g").c_str());
  };
  round();
  const DWORD before = HandleCount();
  for (int i = 0; i < 20; ++i) round();
  EXPECT_EQ(HandleCount(), before);
}

TEST_F(Files, SmallDrive) {
  // F: of the test's prefix is a 1 MiB tmpfs when the run could mount one.
  ULARGE_INTEGER freeBytes{}, totalBytes{};
  if (GetDriveTypeA("F:\\") != DRIVE_FIXED || !GetDiskFreeSpaceExA("F:\\", &freeBytes, &totalBytes, nullptr) ||
      totalBytes.QuadPart > (16u << 20))
    GTEST_SKIP() << "no small drive F: (scripts/small-drive could not mount one)";
  const std::string big = RandomBytes(3 << 20, 11);
  const std::string text = TextLike(3 << 20, 12);
  ASSERT_TRUE(WriteFile(src + "\\big.bin", big));
  ASSERT_TRUE(WriteFile(src + "\\packed.tx_", SzddCompress(text, 't')));
  ASSERT_TRUE(WriteFile(src + "\\small.txt", "small"));
  const DWORD handles = HandleCount();
  EXPECT_EQ(Copy(src + "\\big.bin", "F:\\big.bin"), 5);
  EXPECT_EQ(Move(src + "\\packed.tx_", "F:\\text.txt"), 5);
  EXPECT_EQ(Move(src + "\\big.bin", "F:\\sub\\big.bin"), 5);
  // Nothing half-written stays behind, the sources stay whole, and the disk is free again.
  EXPECT_FALSE(klvtest::Exists("F:\\big.bin"));
  EXPECT_FALSE(klvtest::Exists("F:\\text.txt"));
  EXPECT_FALSE(klvtest::Exists("F:\\sub\\big.bin"));
  EXPECT_TRUE(Content(src + "\\big.bin") == big);
  EXPECT_EQ(Copy(src + "\\small.txt", "F:\\small.txt"), 0);
  EXPECT_EQ(Content("F:\\small.txt"), "small");
  EXPECT_EQ(HandleCount(), handles);
  DeleteFileA("F:\\small.txt");
  // A compressed file onto itself under another form of its name stays as it is.
  const std::string packed = SzddCompress(TextLike(20000, 13), 't');
  ASSERT_TRUE(WriteFile("F:\\packed.tx_", packed));
  EXPECT_EQ(Copy("F:\\packed.tx_", "F:\\PACKED.TX_"), 5);
  EXPECT_EQ(Move("F:\\*.*", "F:\\"), 5);
  EXPECT_TRUE(Content("F:\\packed.tx_") == packed);
  DeleteFileA("F:\\packed.tx_");
  RemoveDirectoryA("F:\\sub");
}

// --- the copy with a progress window

TEST_F(Files, ProgressCopyAnswersAsThePlainCopy) {
  Put({"n.txt", "m.txt", "readme.doc", "plain"});
  const std::string plainRoot = dir / "plain", shownRoot = dir / "shown";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {src + "\\*.txt", "\\x.bak"},      {src + "\\*", "\\stripped\\"},  {src + "\\readme.*", "\\info.txt"},
      {src + "\\*.*", "\\nobackslash"},  {src + "\\plain", "\\renamed.dat"}, {src + "\\none*.zz", "\\"},
      {dir / "missing\\*.*", "\\"},      {src + "\\plain", "\\n.bak"},    // onto a longer file: cut to the new length
      {src + "\\*.*", ""},               {"", "\\x"}};
  for (const std::string& root : {plainRoot, shownRoot}) {
    kLvCreateDirectory(root.c_str());
    ASSERT_TRUE(WriteFile(root + "\\n.bak", std::string(5000, 'x')));
  }
  for (const auto& [from, to] : cases) {
    const int plain = Copy(from, to.empty() ? "" : plainRoot + to);
    EXPECT_EQ(CopyShown(from, to.empty() ? "" : shownRoot + to, "Same"), plain) << from << " -> " << to;
  }
  EXPECT_EQ(Tree(shownRoot), Tree(plainRoot));
  EXPECT_EQ(Content(shownRoot + "\\n.bak"), "plain");
  // The same file under another form of its name is left as it was.
  EXPECT_EQ(CopyShown(src + "\\*.*", src + "\\"), 5);
  EXPECT_EQ(Content(src + "\\plain"), "plain");
  EXPECT_EQ(Tree(src).size(), 4u);  // nothing left beside the files
  EXPECT_TRUE(OwnWindows(kProgressClass).empty());
}

TEST_F(Files, ProgressWindowShowsTheCopyAndCancelLeavesTheDestination) {
  ASSERT_TRUE(WriteSparse(src + "\\big.bin", 2048ll << 20));
  ASSERT_TRUE(WriteFile(src + "\\first.txt", "first"));
  ASSERT_EQ(kLvCreateDirectory(dst.c_str()), 0);
  ASSERT_TRUE(WriteFile(dst + "\\big.bin", "the old big.bin"));
  CallerWindow caller;
  ProgressSeen seen;
  Person person(kProgressClass, "Installing", [&](HWND window) {
    seen.owner = GetWindow(window, GW_OWNER);
    seen.ownerEnabled = IsWindowEnabled(caller.Get());
    HWND bar = nullptr;
    for (const Control& control : Controls(window)) {
      if (control.className == PROGRESS_CLASSA) bar = control.window;
      if (control.className == "Button") seen.button = control.text;
    }
    if (!bar) return;
    seen.range = static_cast<int>(SendMessageA(bar, PBM_GETRANGE, FALSE, 0));
    // Part-way through the big file, the user cancels.
    for (int i = 0; i < 3000 && seen.position == 0; ++i) {
      seen.position = static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
      if (seen.position == 0) Sleep(5);
    }
    for (const Control& control : Controls(window))
      if (control.className == "Static") seen.name = control.text;
    SaveScreenshot(window, ArtifactDir() + "\\progress.bmp");
    Press(window, IDCANCEL);
  });
  const DWORD handles = HandleCount();
  // "first.txt" sorts after "big.bin" on Wine's tmpfs-free C:; either order
  // must end with the file in progress undone.
  EXPECT_EQ(CopyShown(src + "\\*.*", dst + "\\", "Installing"), 6);
  person.Finish();
  EXPECT_TRUE(person.Saw());
  EXPECT_EQ(seen.owner, caller.Get());
  EXPECT_FALSE(seen.ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(caller.Get()));
  EXPECT_EQ(seen.button, "Cancel");
  EXPECT_GT(seen.range, 0);
  EXPECT_GT(seen.position, 0);
  EXPECT_LT(seen.position, seen.range);
  EXPECT_EQ(seen.name, "big.bin");
  EXPECT_EQ(Content(dst + "\\big.bin"), "the old big.bin");
  auto left = Tree(dst);
  left.erase("first.txt");  // copied before the big file, where the search gave it first
  EXPECT_EQ(left.size(), 1u);
  EXPECT_TRUE(OwnWindows(kProgressClass).empty());
  EXPECT_EQ(HandleCount(), handles);
}

TEST_F(Files, ProgressWindowCaptionAndBadInput) {
  Put({"a.txt"});
  ASSERT_TRUE(WriteSparse(src + "\\big.bin", 2048ll << 20));
  for (const char* title : {static_cast<const char*>(nullptr), ""}) {
    Person person(kProgressClass, "Copying", [&](HWND window) { Press(window, IDCANCEL); });
    EXPECT_EQ(kLvCopyFileProgress((src + "\\big.bin").c_str(), (dst + "\\big.bin").c_str(), title), 6);
    person.Finish();
    EXPECT_TRUE(person.Saw());
    EXPECT_FALSE(klvtest::Exists(dst + "\\big.bin"));
  }
  EXPECT_EQ(CopyShown(src + "\\a.txt", dst + "\\a.txt"), 0);
  EXPECT_EQ(Content(dst + "\\a.txt"), "a.txt");
  const std::string huge = LongText(100000);
  EXPECT_EQ(kLvCopyFileProgress(nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(CopyShown(huge, dst + "\\x"), 5);
  EXPECT_EQ(CopyShown(src + "\\a.txt", huge), 5);
  EXPECT_EQ(CopyShown(src + "\\a.txt", dst + "\\b.txt", huge.c_str()), 0);
  EXPECT_EQ(CopyShown(src + "\\nothing*", dst + "\\"), 1);
  EXPECT_TRUE(OwnWindows(kProgressClass).empty());
}

TEST_F(Files, ProgressCopyOnAFullDiskLeavesNoPartialFile) {
  ULARGE_INTEGER freeBytes{}, totalBytes{};
  if (GetDriveTypeA("F:\\") != DRIVE_FIXED || !GetDiskFreeSpaceExA("F:\\", &freeBytes, &totalBytes, nullptr) ||
      totalBytes.QuadPart > (16u << 20))
    GTEST_SKIP() << "no small drive F: (scripts/small-drive could not mount one)";
  ASSERT_TRUE(WriteFile(src + "\\big.bin", RandomBytes(3 << 20, 21)));
  ASSERT_TRUE(WriteFile("F:\\old.bin", "old"));
  EXPECT_EQ(CopyShown(src + "\\big.bin", "F:\\new.bin"), 5);
  EXPECT_EQ(CopyShown(src + "\\big.bin", "F:\\old.bin"), 5);
  const auto left = Tree("F:");
  EXPECT_EQ(left.size(), 1u);
  EXPECT_EQ(Content("F:\\old.bin"), "old");
  DeleteFileA("F:\\old.bin");
}

namespace {

// Round trips of a message to the progress window from a second thread,
// for as long as it shows: how many, and the longest (the longest time the
// window's messages went unhandled). Cancel is pressed after `cancelAt`.
struct Answers {
  int result = -1, count = 0;
  DWORD longestMs = 0;
};

Answers CopyWatched(const std::string& from, const std::string& to, int cancelAt = -1) {
  Answers answers;
  Person person(kProgressClass, "Watched", [&](HWND window) {
    for (DWORD_PTR unused; IsWindow(window); ++answers.count, Sleep(10)) {
      const DWORD start = GetTickCount();
      if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &unused)) break;
      answers.longestMs = std::max(answers.longestMs, GetTickCount() - start);
      if (answers.count == cancelAt) Press(window, IDCANCEL);
    }
  });
  answers.result = kLvCopyFileProgress(from.c_str(), to.c_str(), "Watched");
  person.Finish();
  std::printf("%s: %d answers, longest %lu ms\n", from.c_str(), answers.count, answers.longestMs);
  return answers;
}

int refusedWindows = 0;

LRESULT CALLBACK RefuseProgressWindow(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && ClassOf(reinterpret_cast<HWND>(wParam)) == kProgressClass) return ++refusedWindows;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST_F(Files, ProgressWindowAnswersWithinAQuarterSecond) {
  // KLV_TEST_READ_RATE, the library's test seam (files.cpp), reads sources
  // at that many bytes a second, as a slow CD-ROM drive does.
  SavedVariable rate("KLV_TEST_READ_RATE");
  // A 64 MiB file expanded from the LZ format, cancelled part-way: nothing of it stays.
  ASSERT_TRUE(WriteFile(src + "\\big.tx_", SzddCompress(TextLike(64 << 20, 41), 't')));
  SetEnvironmentVariableA(rate.Name().c_str(), "8000000");
  const Answers lz = CopyWatched(src + "\\big.tx_", dst + "\\big.txt", 20);
  EXPECT_EQ(lz.result, 6);
  EXPECT_FALSE(klvtest::Exists(dst + "\\big.txt"));
  // A plain file read at 2 MB a second, to its end.
  ASSERT_TRUE(WriteFile(src + "\\slow.bin", RandomBytes(3 << 20, 42)));
  SetEnvironmentVariableA(rate.Name().c_str(), "2000000");
  const Answers slow = CopyWatched(src + "\\slow.bin", dst + "\\slow.bin");
  EXPECT_EQ(slow.result, 0);
  EXPECT_TRUE(Content(dst + "\\slow.bin") == Content(src + "\\slow.bin"));
  for (const Answers& answers : {lz, slow}) {
    EXPECT_GT(answers.count, 10);
    EXPECT_LT(answers.longestMs, 250u);
  }
}

TEST_F(Files, ClicksOnTheCallerDuringAProgressCopyAreDropped) {
  CallerWindow caller;
  PressOn(caller.Get(), 40);
  caller.Pump();
  ASSERT_EQ(caller.Presses(), 2) << "no click or key reached the window";
  SavedVariable rate("KLV_TEST_READ_RATE");
  SetEnvironmentVariableA(rate.Name().c_str(), "2000000");
  ASSERT_TRUE(WriteFile(src + "\\slow.bin", RandomBytes(2 << 20, 44)));
  bool enabled = true;
  Person person(kProgressClass, "Clicked", [&](HWND window) {
    enabled = IsWindowEnabled(caller.Get()) != 0;
    PressOn(caller.Get(), 40);  // above the progress window, which is centred over it
    Press(window, IDCANCEL);
  });
  EXPECT_EQ(kLvCopyFileProgress((src + "\\slow.bin").c_str(), (dst + "\\slow.bin").c_str(), "Clicked"), 6);
  person.Finish();
  EXPECT_TRUE(person.Saw());
  EXPECT_FALSE(enabled);
  caller.Pump();
  EXPECT_EQ(caller.Presses(), 2);  // what the person pressed meanwhile is gone
  EXPECT_TRUE(IsWindowEnabled(caller.Get()));
}

TEST_F(Files, ProgressCopyWithoutItsWindow) {
  // A hook refuses the window; the copy is done all the same.
  const HHOOK hook = SetWindowsHookExA(WH_CBT, RefuseProgressWindow, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  SavedVariable rate("KLV_TEST_READ_RATE");
  SetEnvironmentVariableA(rate.Name().c_str(), "2000000");  // half a second: the window is due
  ASSERT_TRUE(WriteFile(src + "\\slow.bin", RandomBytes(1 << 20, 43)));
  EXPECT_EQ(CopyShown(src + "\\slow.bin", dst + "\\slow.bin"), 0);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(refusedWindows, 1);
  EXPECT_TRUE(Content(dst + "\\slow.bin") == Content(src + "\\slow.bin"));
}

TEST_F(Files, LzSourceWhoseFileHandleHasAnLzHandlesValue) {
  // Wine numbers LZ handles from 0x400 and gives a new handle the lowest
  // free value: with the table filled up to there, the source's file handle
  // has the value of the LZ handle made for it.
  const std::string text = TextLike(50000, 31);
  ASSERT_TRUE(WriteFile(src + "\\packed.tx_", SzddCompress(text, 't')));
  std::vector<HANDLE> filler;
  for (UINT_PTR value = 0x3F8; value <= 0x408; value += 4) {
    HANDLE next;
    while ((next = CreateEventA(nullptr, FALSE, FALSE, nullptr)) && reinterpret_cast<UINT_PTR>(next) < value)
      filler.push_back(next);
    CloseHandle(next);  // free again, for the source
    const DWORD handles = HandleCount();
    EXPECT_EQ(Copy(src + "\\packed.tx_", dst + "\\text.txt"), 0) << value;
    EXPECT_TRUE(Content(dst + "\\text.txt") == text) << value;
    EXPECT_EQ(HandleCount(), handles) << value;
  }
  // The source was closed once, by its LZ handle: Wine deletes no open file.
  EXPECT_EQ(Move(src + "\\packed.tx_", dst + "\\moved.txt"), 0);
  EXPECT_FALSE(klvtest::Exists(src + "\\packed.tx_"));
  for (HANDLE handle : filler) CloseHandle(handle);
}

TEST_F(Files, SameFileWithoutObjectIdsOrFileIndex) {
  // KLV_TEST_FILE_IDS, the library's test seam (files.cpp): "none" hides
  // the object ids (as FAT has none), "zero" also reads every file index
  // as 0 (as some network file systems report it).
  const std::string file = src + "\\same.txt", link = src + "\\link.txt", upper = dir / "SRC\\SAME.TXT";
  ASSERT_TRUE(WriteFile(file, "content"));
  ASSERT_TRUE(CreateHardLinkA(link.c_str(), file.c_str(), nullptr));
  Put({"other.txt", "packed.tx_"});
  ASSERT_TRUE(WriteFile(src + "\\packed.tx_", SzddCompress(TextLike(5000, 44), 't')));
  std::vector<std::string> others = {link};  // other names of the same file
  if (!UnixDriveView(file).empty()) others.push_back(UnixDriveView(file));
  SavedVariable ids("KLV_TEST_FILE_IDS");
  for (const char* seam : {"none", "zero"}) {
    SetEnvironmentVariableA(ids.Name().c_str(), seam);
    // By volume serial and file index, or, with neither, by the full path;
    // a move whose destination cannot be told apart keeps its source.
    for (const std::string& to : others) {
      EXPECT_EQ(Copy(file, to), 5) << seam << " " << to;
      EXPECT_EQ(Move(file, to), 5) << seam << " " << to;
    }
    EXPECT_EQ(Move(file, upper), 5) << seam;
    EXPECT_EQ(Content(file), "content");
  }
  // Onto another file: the move deletes its source once the destination holds it.
  ASSERT_TRUE(WriteFile(dst + "_a", "old"));
  ASSERT_TRUE(WriteFile(dst + "_b", "old"));
  EXPECT_EQ(Move(src + "\\other.txt", dst + "_a"), 0);
  EXPECT_EQ(Move(src + "\\packed.tx_", dst + "_b"), 0);
  EXPECT_EQ(Content(dst + "_a"), "other.txt");
  EXPECT_EQ(Content(dst + "_b"), TextLike(5000, 44));
  EXPECT_EQ(Tree(src).size(), 2u);  // same.txt and link.txt, nothing set aside
}

// --- kLvDeleteFile and kLvGetFileInfo

namespace {

bool SetAttributes(const std::string& path, DWORD attributes) { return SetFileAttributesA(path.c_str(), attributes); }

// Sets a file's times from local time; a zero year leaves that time alone.
bool SetLocalTimes(const std::string& path, const SYSTEMTIME& created, const SYSTEMTIME& written) {
  FILETIME local, createdTime, writtenTime;
  if (!SystemTimeToFileTime(&written, &local) || !LocalFileTimeToFileTime(&local, &writtenTime)) return false;
  if (!SystemTimeToFileTime(&created, &local) || !LocalFileTimeToFileTime(&local, &createdTime)) return false;
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const BOOL done = SetFileTime(file, &createdTime, nullptr, &writtenTime);
  CloseHandle(file);
  return done;
}

}  // namespace

TEST_F(Files, DeleteSelectsWhatTheCopySelects) {
  Put({"a.txt", "b.txt", "ab.txt", "c.doc", "d", "hidden.txt", "system.txt"});
  ASSERT_TRUE(SetAttributes(src + "\\hidden.txt", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetAttributes(src + "\\system.txt", FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(CreateDirectoryA((src + "\\folder.txt").c_str(), nullptr));
  // For each pattern, the files the copy takes are exactly the files the delete removes.
  for (const char* pattern : {"a*.*", "*.t*", "*.*"}) {
    const std::string copied = dir / "copied";
    ASSERT_EQ(Copy(src + "\\" + pattern, copied + "\\"), 0) << pattern;
    const auto before = PlatformOrder(src + "\\*");
    EXPECT_EQ(Delete(src + "\\" + pattern), 0) << pattern;
    const auto after = PlatformOrder(src + "\\*");
    std::vector<std::string> removed;
    for (const auto& name : before)
      if (std::find(after.begin(), after.end(), name) == after.end()) removed.push_back(name);
    auto taken = PlatformOrder(copied + "\\*");
    std::sort(removed.begin(), removed.end());
    std::sort(taken.begin(), taken.end());
    EXPECT_EQ(removed, taken) << pattern;
    EXPECT_FALSE(removed.empty()) << pattern;
    RemoveTree(copied);
  }
  // Hidden and system files and folders are never selected, by pattern or by name.
  EXPECT_EQ(PlatformOrder(src + "\\*"), PlatformOrder(src + "\\*.txt"));
  EXPECT_EQ(PlatformOrder(src + "\\*").size(), 2u);
  EXPECT_EQ(Delete(src + "\\*"), 1);
  EXPECT_EQ(Delete(src + "\\hidden.txt"), 1);
  EXPECT_EQ(Delete(src + "\\system.txt"), 1);
  EXPECT_EQ(Delete(src + "\\folder.txt"), 1);
  EXPECT_EQ(Delete(src + "\\folder.txt\\"), 1);
  EXPECT_EQ(Delete(src), 1);
  EXPECT_TRUE(IsFolder(src + "\\folder.txt"));
  EXPECT_EQ(PlatformOrder(src + "\\*").size(), 2u);
}

TEST_F(Files, DeleteCodes) {
  Put({"one.txt", "two.txt", "ro.txt", "other.doc"});
  const std::string ro = src + "\\ro.txt";
  ASSERT_TRUE(SetAttributes(ro, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Delete(src + "\\one.txt"), 0);
  EXPECT_FALSE(klvtest::Exists(src + "\\one.txt"));
  EXPECT_EQ(Delete(src + "\\one.txt"), 1);
  EXPECT_EQ(Delete(src + "\\*.zip"), 1);
  EXPECT_EQ(Delete(dir / "missing\\*.*"), 2);
  EXPECT_EQ(Delete(dir / "missing\\one.txt"), 2);
  EXPECT_EQ(Delete(MissingDrive() + "\\x.txt"), 2);
  // A read-only file is never deleted (Wine run as root would); the others still go.
  EXPECT_EQ(Delete(ro), 5);
  EXPECT_EQ(Delete(src + "\\*.txt"), 5);
  EXPECT_FALSE(klvtest::Exists(src + "\\two.txt"));
  EXPECT_EQ(Content(ro), "ro.txt");
  EXPECT_EQ(GetFileAttributesA(ro.c_str()) & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Content(src + "\\other.doc"), "other.doc");
  {
    CurrentFolder here(src);
    EXPECT_EQ(kLvDeleteFile("OTHER.DOC"), 0);
  }
  EXPECT_FALSE(klvtest::Exists(src + "\\other.doc"));
}

TEST_F(Files, DeleteRemovesOnlyWhatItWasNamed) {
  Put({"a.txt", "keep.txt"});
  ASSERT_TRUE(CreateDirectoryA(dst.c_str(), nullptr));
  const std::string huge = src + "\\" + LongText(100000);
  // The platform's search reads < > and " as wildcards of its own: "a.t>t" would find a.txt.
  const std::string refused[] = {"",           huge,         src + "\\a.t>t",   src + "\\a<txt",  src + "\\<.txt",
                                 src + "\\a\"txt", src + "\\a.txt|", src + "\\a.t\x01t", src + "\\a\ttxt", "CON",
                                 "NUL",        src + "\\NUL",  src + "\\con.txt", src + "\\nul.*", dst,
                                 dst + "\\",   src + "\\a.txt\\", src + "\\a.txt:x", src + "\\a:txt"};
  const DWORD handles = HandleCount();
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(kLvDeleteFile(nullptr), 1);
    for (const std::string& name : refused) EXPECT_EQ(Delete(name), 1) << name.substr(0, 60);
  }
  EXPECT_EQ(HandleCount(), handles);
  for (const char* name : {"a.txt", "keep.txt"}) EXPECT_EQ(Content(src + "\\" + name), name);
  EXPECT_TRUE(IsFolder(dst));
  // The copy shares the selection: a device is no file to copy either.
  EXPECT_EQ(Copy("NUL", dst + "\\x.txt"), 1);
  EXPECT_EQ(Copy(src + "\\con.*", dst + "\\"), 1);
  EXPECT_FALSE(klvtest::Exists(dst + "\\x.txt"));
}

TEST_F(Files, FileFacts) {
  const std::string file = src + "\\facts.txt";
  ASSERT_TRUE(WriteFile(file, "twelve bytes"));
  EXPECT_EQ(Info(file, "size"), "12");
  EXPECT_EQ(Info(file, "SIZE"), "12");
  const SYSTEMTIME created{1999, 12, 5, 31, 23, 59, 58, 0}, written{2001, 2, 6, 3, 4, 5, 6, 0};
  ASSERT_TRUE(SetLocalTimes(file, created, written));
  EXPECT_EQ(Info(file, "modified"), "2001-02-03 04:05:06");
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
  FILETIME local;
  SYSTEMTIME kept{};
  ASSERT_TRUE(FileTimeToLocalFileTime(&data.ftCreationTime, &local) && FileTimeToSystemTime(&local, &kept));
  if (kept.wYear == 1999)
    EXPECT_EQ(Info(file, "Created"), "1999-12-31 23:59:58");
  else  // the file system keeps no creation time of its own
    EXPECT_TRUE(std::regex_match(Info(file, "created"), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
  // Attributes, in the order R, H, S, A.
  ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(Info(file, "attributes"), "RHSA");
  ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(Info(file, "Attributes"), "HA");
  ASSERT_TRUE(SetAttributes(file, FILE_ATTRIBUTE_NORMAL));
  const std::string plain = (GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_ARCHIVE) ? "A" : "";
  EXPECT_EQ(Info(file, "attributes"), plain);
  // A version resource: the Xtra's file version is 1.7.0.64; a text file has none.
  EXPECT_EQ(Info(BinDir() + "\\kLvTools.x32", "version"), "1.7.0.64");
  EXPECT_EQ(Info(BinDir() + "\\autorun.exe", "VERSION"), "1.0.0.0");
  EXPECT_EQ(Info(file, "version"), "-1");
}

TEST_F(Files, SizeAboveFourGibibytesIsWhole) {
  // A sparse file: the length is set, nothing is written.
  const std::string file = src + "\\sparse.bin";
  HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD unused = 0;
  DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
  LARGE_INTEGER length;
  length.QuadPart = (LONGLONG{5} << 30) + 7;
  const bool sized = SetFilePointerEx(handle, length, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
  CloseHandle(handle);
  ASSERT_TRUE(sized);
  EXPECT_EQ(Info(file, "size"), "5368709127");
  DeleteFileA(file.c_str());
}

TEST_F(Files, FileFactsOfWhatIsNoFile) {
  Put({"a.txt"});
  const std::string file = src + "\\a.txt";
  const std::string huge = src + "\\" + LongText(100000);
  const std::string notFiles[] = {"",          src,           src + "\\",    src + "\\missing.txt", src + "\\a.t?t",
                                  src + "\\*.txt", src + "\\a.t>t", dir / "none\\a.txt", "CON", "NUL",
                                  src + "\\nul.txt", file + "\\", huge};
  const DWORD handles = HandleCount();
  for (const char* what : {"size", "modified", "created", "attributes", "version"}) {
    for (const std::string& name : notFiles) EXPECT_EQ(Info(name, what), "-1") << name.substr(0, 60) << " " << what;
    EXPECT_EQ(std::string(kLvGetFileInfo(nullptr, what)), "-1");
  }
  for (const char* what : {"", "length", "size ", "date", "sizes", static_cast<const char*>(nullptr), huge.c_str()})
    EXPECT_EQ(std::string(kLvGetFileInfo(file.c_str(), what)), "-1") << (what ? std::string(what).substr(0, 20) : "(null)");
  EXPECT_EQ(HandleCount(), handles);
  EXPECT_EQ(Content(file), "a.txt");
}
