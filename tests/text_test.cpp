// Texts as characters: names outside every code page through the wide
// exports, the code page's own characters (double-byte ones included)
// through the ANSI exports, texts that are no valid text, ANSI results that
// cannot be held, and each thread's own result. Runs in code page 1252 and,
// as text_test.cp932, in code page 932.
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "klv_test.h"
#include "klv_window.h"

using namespace klvtest;

namespace {

// Names that no ANSI code page holds whole: Greek with tonos, Japanese next
// to it, and a character outside the Basic Multilingual Plane (U+1F3B5).
const std::wstring kWideNames[] = {L"Ωμέγα", L"日本", L"song \xD83C\xDFB5", L"Ωμέγα 日本\xD83C\xDFB5"};

// Characters some code page holds, three of them with a trail byte of 0x5C
// ("\") in code page 932; the ones the current code page holds are used.
const std::wstring kCodePageLetters[] = {L"表", L"ソ", L"能", L"é", L"ß"};

const std::string kRegistryBase = "Software\\kLvTextTest";

// The letters of kCodePageLetters that the current code page holds, in it.
std::vector<std::string> CodePageLetters() {
  std::vector<std::string> held;
  for (const std::wstring& letter : kCodePageLetters)
    if (const auto ansi = Ansi(letter)) held.push_back(*ansi);
  return held;
}

std::wstring WidePath(const TempDir& dir, const std::wstring& name) { return Wide(dir.Path()) + L"\\" + name; }

bool WideExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool PutWide(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// What one name goes through by the ANSI exports, each answer recorded, so
// that a name and its ASCII twin can be compared answer by answer.
std::vector<std::string> AnsiScenario(const TempDir& dir, const std::string& name) {
  const std::string src = dir / "s2", file = src + "\\" + name + ".txt";
  std::vector<std::string> answers;
  const auto note = [&](const std::string& what, long value) { answers.push_back(what + "=" + std::to_string(value)); };
  note("mkdir", kLvCreateDirectory(src.c_str()));
  note("mkname", kLvCreateDirectory((dir / "d6\\" + name).c_str()));
  note("isfolder", IsFolder(dir / "d6\\" + name));
  note("put", WriteFile(file, "hello"));
  note("exists", kLvDoesFileExist(file.c_str()));
  note("copy", kLvCopyFile(file.c_str(), (dir / "e3\\" + name + ".txt").c_str()));
  note("copied", Exists(dir / "e3\\" + name + ".txt"));
  note("patternToMissing", kLvCopyFile((src + "\\" + name + ".*").c_str(), (dir / "d5\\*.*").c_str()));
  note("pattern", kLvCopyFile((src + "\\" + name + ".*").c_str(), (dir / "e3\\*.bak").c_str()));
  note("patterned", Exists(dir / "e3\\" + name + ".bak"));
  note("move", kLvMoveFile((dir / "e3\\" + name + ".bak").c_str(), (dir / "m\\" + name + ".txt").c_str()));
  note("moved", Exists(dir / "m\\" + name + ".txt") && !Exists(dir / "e3\\" + name + ".bak"));
  answers.push_back(std::string("size=") + kLvGetFileInfo(file.c_str(), "size"));
  const std::string ini = dir / (name + ".ini");
  note("iniWrite", kLvWriteIniString(ini.c_str(), name.c_str(), name.c_str(), name.c_str()));
  note("iniRead", kLvReadIniString(ini.c_str(), name.c_str(), name.c_str(), "") == name);
  const std::string key = kRegistryBase + "\\" + name;
  note("regWrite", kLvWriteRegString("", key.c_str(), name.c_str(), name.c_str(), name.c_str()));
  note("regRead", kLvReadRegString("", key.c_str(), name.c_str(), name.c_str(), "") == name);
  note("delete", kLvDeleteFile((src + "\\" + name + "*.txt").c_str()));
  note("deleted", Exists(file));
  note("rmdir", kLvRemoveDirectory((dir / "d6\\" + name).c_str()));
  return answers;
}

class Texts : public ::testing::Test {
 protected:
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kRegistryBase.c_str()); }
  TempDir dir;
};

}  // namespace

// The entry that runs in code page 932 says so; a locale that did not take
// would silently run the same cases twice.
TEST(CodePage, IsTheOneAskedFor) {
  const char* expected = std::getenv("KLV_EXPECT_ACP");
  EXPECT_EQ(GetACP(), expected ? static_cast<UINT>(std::atoi(expected)) : GetACP());
}

TEST_F(Texts, WideNamesOutsideEveryCodePageComeBackIdentical) {
  const std::wstring ini = WidePath(dir, L"unicode.ini");
  ASSERT_TRUE(PutWide(ini, "\xFF\xFE"));  // an empty UTF-16 file
  for (const std::wstring& name : kWideNames) {
    SCOPED_TRACE(Utf8(name));
    const std::wstring folder = WidePath(dir, name), file = folder + L"\\" + name + L".txt";
    ASSERT_EQ(kLvCreateDirectoryW(folder.c_str()), 0);
    ASSERT_TRUE(PutWide(file, "12345"));
    EXPECT_EQ(kLvDoesFileExistW(file.c_str()), 1);
    EXPECT_STREQ(kLvGetFileInfoW(file.c_str(), L"size"), L"5");
    EXPECT_EQ(kLvCopyFileW((folder + L"\\*.txt").c_str(), (folder + L"\\*.bak").c_str()), 0);
    EXPECT_TRUE(WideExists(folder + L"\\" + name + L".bak"));
    EXPECT_EQ(kLvMoveFileW((folder + L"\\" + name + L".bak").c_str(), WidePath(dir, name + L".moved").c_str()), 0);
    EXPECT_TRUE(WideExists(WidePath(dir, name + L".moved")));

    EXPECT_EQ(kLvWriteIniStringW(ini.c_str(), name.c_str(), name.c_str(), name.c_str()), 0);
    EXPECT_EQ(std::wstring(kLvReadIniStringW(ini.c_str(), name.c_str(), name.c_str(), L"")), name);
    const std::wstring key = Wide(kRegistryBase) + L"\\" + name;
    EXPECT_EQ(kLvWriteRegStringW(L"", key.c_str(), name.c_str(), name.c_str(), name.c_str()), 0);
    EXPECT_EQ(std::wstring(kLvReadRegStringW(L"", key.c_str(), name.c_str(), name.c_str(), L"")), name);
    EXPECT_EQ(kLvSetEnvironmentVariableW(L"KLV_TEXT", name.c_str()), 1);
    EXPECT_EQ(std::wstring(kLvGetEnvironmentVariableW(L"KLV_TEXT")), name);

    EXPECT_EQ(kLvDeleteFileW((folder + L"\\*.txt").c_str()), 0);
    EXPECT_FALSE(WideExists(file));
    EXPECT_EQ(kLvRemoveDirectoryW(folder.c_str()), 0);
  }
  // The UTF-16 file stays UTF-16.
  EXPECT_EQ(ReadFile(dir / "unicode.ini")->substr(0, 2), "\xFF\xFE");
  SetEnvironmentVariableW(L"KLV_TEXT", nullptr);
}

TEST_F(Texts, TheCodePagesOwnCharactersAnswerAsTheirAsciiTwins) {
  int tried = 0;
  for (const std::string& letter : CodePageLetters()) {
    for (const std::string& name : {letter + "ab", "a" + letter + "b", "ab" + letter}) {
      SCOPED_TRACE(Utf8(Wide(name)));
      TempDir twinDir;
      TempDir nameDir;
      EXPECT_EQ(AnsiScenario(nameDir, name), AnsiScenario(twinDir, "abc"));
      // Under the name asked for, not one cut at a byte that looks like "\".
      EXPECT_TRUE(WideExists(Wide(nameDir / "e3\\" + name + ".txt")));
      ++tried;
    }
  }
  EXPECT_GE(tried, 6);  // two letters of every code page the kit runs in
}

TEST_F(Texts, TextsThatAreNoTextChangeNothing) {
  const std::wstring bad[] = {L"ab\xD800", L"\xDC00" L"ab", L"a\xDBFF\xDBFF" L"b"};
  ASSERT_TRUE(WriteFile(dir / "keep.txt", "x"));
  for (const std::wstring& text : bad) {
    const std::wstring path = WidePath(dir, text);
    EXPECT_EQ(kLvCreateDirectoryW(path.c_str()), -1);
    EXPECT_EQ(kLvCopyFileW(WidePath(dir, L"keep.txt").c_str(), path.c_str()), 5);
    EXPECT_EQ(kLvDeleteFileW(WidePath(dir, L"*" + text).c_str()), 5);
    EXPECT_EQ(kLvWriteIniStringW(WidePath(dir, L"a.ini").c_str(), L"S", L"k", text.c_str()), -1);
    EXPECT_EQ(kLvWriteRegStringW(L"", Wide(kRegistryBase).c_str(), L"", L"v", text.c_str()), -1);
    EXPECT_EQ(kLvSetEnvironmentVariableW(text.c_str(), L"x"), 0);
    EXPECT_STREQ(kLvReadIniStringW(WidePath(dir, L"a.ini").c_str(), L"S", L"k", text.c_str()), L"");
  }
  // Longer than the platform takes, once converted.
  EXPECT_EQ(kLvCreateDirectory((dir.Path() + "\\" + std::string(40000, 'a')).c_str()), -1);
  if (GetACP() == 932) {
    // A lead byte without its trail byte names no character.
    for (const std::string& text : {std::string("ab\x95"), std::string("\x95")}) {
      EXPECT_EQ(kLvCreateDirectory((dir / text).c_str()), -1);
      EXPECT_EQ(kLvDeleteFile((dir / "*" + text).c_str()), 5);
      EXPECT_EQ(kLvWriteIniString((dir / "a.ini").c_str(), "S", "k", text.c_str()), -1);
    }
  }
  // Nothing was made, written or deleted.
  EXPECT_EQ(ReadFile(dir / "keep.txt"), std::string("x"));
  EXPECT_FALSE(Exists(dir / "a.ini"));
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(WidePath(dir, L"*").c_str(), &entry);
  int entries = 0;
  if (search != INVALID_HANDLE_VALUE) {
    do entries += entry.cFileName[0] != L'.';
    while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(Texts, AnsiResultsTheCodePageCannotHoldAreNeverStandIns) {
  // The current folder, named in Greek: the short form, or the failure text.
  const std::wstring greek = WidePath(dir, L"Ωμέγα");
  ASSERT_TRUE(CreateDirectoryW(greek.c_str(), nullptr));
  const auto expectGreek = [&](const std::string& folder, const char* what) {
    EXPECT_EQ(folder.find('?'), std::string::npos) << what << ": " << folder;
    if (folder == "" || folder == "-1") return;
    wchar_t longForm[MAX_PATH] = {};
    GetLongPathNameW(Wide(folder).c_str(), longForm, MAX_PATH);
    EXPECT_EQ(lstrcmpiW(longForm, greek.c_str()), 0) << what << ": " << folder;
  };
  {
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(greek.c_str()));
    const std::string folder = kLvGetCurrentDir();
    const std::wstring wide = kLvGetCurrentDirW();
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(wide, greek);
    // Wine keeps a short name for every long one.
    EXPECT_NE(folder, "");
    expectGreek(folder, "current folder");
  }
  {
    // The temporary folder is where TMP says.
    SavedVariable tmp("TMP"), temp("TEMP");
    SetEnvironmentVariableW(L"TMP", greek.c_str());
    SetEnvironmentVariableW(L"TEMP", greek.c_str());
    EXPECT_EQ(std::wstring(kLvGetSpecialFolderW(L"Temp")), greek);
    expectGreek(kLvGetSpecialFolder("Temp"), "Temp");
  }
  // An ANSI INI file cannot hold the value: -1, and the file stays as it was.
  const std::string ini = dir / "plain.ini";
  ASSERT_TRUE(WriteFile(ini, "[S]\r\nk=old\r\n"));
  EXPECT_EQ(kLvWriteIniStringW(Wide(ini).c_str(), L"S", L"k", L"Ωμέγα"), -1);
  EXPECT_EQ(kLvWriteIniStringW(Wide(ini).c_str(), L"Ωμέγα", L"k", L"new"), -1);
  EXPECT_EQ(ReadFile(ini), std::string("[S]\r\nk=old\r\n"));
  // A value the code page cannot hold reads as a missing one.
  kLvSetEnvironmentVariableW(L"KLV_GREEK", L"Ωμέγα");
  kLvSetEnvironmentVariableW(L"KLV_PLAIN", L"plain");
  EXPECT_STREQ(kLvGetEnvironmentVariable("KLV_GREEK"), "");
  const std::string list = kLvGetEnvironmentStrings();
  EXPECT_EQ(list.find("KLV_GREEK"), std::string::npos);
  EXPECT_NE(list.find("KLV_PLAIN=plain\r"), std::string::npos);
  EXPECT_NE(std::wstring(kLvGetEnvironmentStringsW()).find(L"KLV_GREEK=Ωμέγα\r"), std::wstring::npos);
  const std::wstring unicodeIni = WidePath(dir, L"unicode.ini");
  ASSERT_TRUE(PutWide(unicodeIni, "\xFF\xFE"));
  ASSERT_EQ(kLvWriteIniStringW(unicodeIni.c_str(), L"S", L"k", L"Ωμέγα"), 0);
  EXPECT_STREQ(kLvReadIniString((dir / "unicode.ini").c_str(), "S", "k", "dflt"), "dflt");
  SetEnvironmentVariableW(L"KLV_GREEK", nullptr);
  SetEnvironmentVariableW(L"KLV_PLAIN", nullptr);
}

TEST_F(Texts, DialogsStartInFoldersNamedWithTheCodePagesLetters) {
  const std::vector<std::string> letters = CodePageLetters();
  ASSERT_GE(letters.size(), 2u);
  for (const std::string& letter : letters) {
    const std::string folder = dir / ("a" + letter + "b" + letter);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (const bool save : {false, true}) {
      std::string shown;
      Person person("#32770", "kLv text dialog", [&](HWND dialog) {
        shown = DialogFolder(dialog);
        Press(dialog, IDCANCEL);
      });
      const auto ask = save ? kLvSaveFile : kLvOpenFile;
      EXPECT_STREQ(ask("kLv text dialog", folder.c_str(), "", "", ""), "");
      person.Finish();
      EXPECT_EQ(shown, folder) << (save ? "Save" : "Open");
    }
  }
}

// The appended functions that take names, given what no caller should
// give: each answers its documented failure, and nothing is made.
TEST_F(Texts, AppendedFunctionsGivenBadTextsAnswerTheirFailures) {
  const std::wstring keep = WidePath(dir, L"keep.txt");
  ASSERT_TRUE(PutWide(keep, "x"));
  struct Bad {
    std::wstring text;
    KlvInt deleted, copied;  // kLvDeleteFile's and kLvCopyFileProgress's answers
  };
  const Bad bad[] = {
      {L"", 1, 4},                                  // nothing named
      {std::wstring(32767, L'b'), 1, 5},            // longer than the platform takes
      {std::wstring(100000, L'a'), 1, 5},
      {L"\xD800", 5, 5},                            // no valid text
      {WidePath(dir, L"*\xDBFF"), 5, 5},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.text.size());
    EXPECT_EQ(kLvDeleteFileW(b.text.c_str()), b.deleted);
    EXPECT_STREQ(kLvGetSpecialFolderW(b.text.c_str()), L"-1");
    EXPECT_STREQ(kLvGetFileInfoW(b.text.c_str(), L"size"), L"-1");
    EXPECT_STREQ(kLvGetFileInfoW(keep.c_str(), b.text.c_str()), L"-1");
    EXPECT_EQ(kLvCopyFileProgressW(keep.c_str(), b.text.c_str(), L""), b.copied);
  }
  EXPECT_STREQ(kLvGetDriveInfoW(L"\xDC00", L"type"), L"-1");
  EXPECT_STREQ(kLvGetDriveInfoW(L"C:", L"\xD800"), L"-1");
  EXPECT_EQ(ReadFile(dir / "keep.txt"), std::string("x"));
}

// Two threads calling text functions in a loop never see each other's
// results: each keeps its own until its next call.
TEST(Results, EachThreadHasItsOwn) {
  std::atomic<int> wrong{0};
  const auto loop = [&wrong](const std::string& tag) {
    for (int i = 0; i < 10000; ++i) {
      const std::string expected = tag + std::to_string(i);
      const char* ansi = kLvReadIniString("C:\\klv-missing.ini", "S", "k", expected.c_str());
      const wchar_t* wide = kLvReadIniStringW(L"C:\\klv-missing.ini", L"S", L"k", Wide(expected).c_str());
      if (expected != ansi || Wide(expected) != wide) ++wrong;
    }
  };
  std::thread one(loop, "one-"), two(loop, "two-");
  one.join();
  two.join();
  EXPECT_EQ(wrong.load(), 0);
}
