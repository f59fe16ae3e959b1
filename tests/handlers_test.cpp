// The Lingo methods end to end: moahost makes each call as Director would,
// the Xtra converts the arguments and calls kLv_Tool.dll, and the test
// checks the library's effects and the Lingo value that comes back.
#include "klv_test.h"
#include "klv_window.h"
#include "moahost.h"
#include "owner.h"
#include "xtra.h"

#include <commdlg.h>

using namespace klvtest;
using moahost::Literal;

namespace {

Literal S(const std::string& text) { return Literal{true, text, 0}; }
Literal I(MoaLong number) { return Literal{false, std::string(), number}; }

class Lingo : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = std::make_unique<moahost::Host>(BinDir() + "\\kLvTools.x32");
    ASSERT_EQ(host_->Register(), kMoaErr_NoErr);
  }
  void TearDown() override {
    EXPECT_EQ(host_->Allocator().Live(), 0);
    EXPECT_EQ(host_->LiveInstances(), 0);
    EXPECT_EQ(host_->CanUnloadNow(), kMoaErr_NoErr);
  }

  // Calls a method; the Xtra must answer 0.
  MoaMmValue Call(const std::string& method, const std::vector<Literal>& args = {}) {
    const auto result = host_->CallMethod(method, args);
    EXPECT_EQ(result.error, kMoaErr_NoErr) << method;
    return result.result;
  }
  // A method that must answer a Lingo string.
  std::string Text(const std::string& method, const std::vector<Literal>& args = {}) {
    const MoaMmValue value = Call(method, args);
    EXPECT_TRUE(host_->ValueInterface().IsString(value)) << method << " answered " << Show(value);
    return host_->ValueInterface().Text(value);
  }
  // A method that must answer a Lingo integer.
  MoaLong Integer(const std::string& method, const std::vector<Literal>& args = {}) {
    const MoaMmValue value = Call(method, args);
    EXPECT_EQ(value.ty, moahost::kInteger) << method << " answered " << Show(value);
    return value.it;
  }
  std::string Show(const MoaMmValue& value) { return host_->ValueInterface().Show(value); }

  // A call record made by hand: `me` and whatever values the test gives,
  // for the method the host numbers as Lingo's `method`.
  MoaError RawCall(const std::string& method, std::vector<MoaMmValue> args, MoaMmValue* result) {
    const moahost::Method* declared = host_->Methods().Find(method);
    if (!declared) throw moahost::Refused("no method " + method);
    const MoaLong selector = declared->selector;
    const MoaID classID = klv::xtra::kScriptClassID;
    moahost::Instance* instance = host_->Create(&classID);
    void* out = nullptr;
    EXPECT_EQ(host_->GetInterface(instance, IID_IMoaMmXScript, &out), kMoaErr_NoErr);
    args.insert(args.begin(), MoaMmValue{moahost::kObject, 0});
    MoaMmCallInfo call{instance, 0, selector, *result, static_cast<MoaLong>(args.size()), args.data()};
    const MoaError answer = static_cast<IMoaMmXScript*>(out)->Call(&call);
    *result = call.resultValue;
    static_cast<IMoaMmXScript*>(out)->Release();
    instance->Release();
    return answer;
  }

  std::unique_ptr<moahost::Host> host_;
};

}  // namespace

TEST_F(Lingo, IniMethodsPassLongTextsWhole) {
  TempDir dir;
  // 300 characters that name a file in `dir` only when taken whole.
  std::string file = dir.Path();
  while (file.size() < 300 - 13) file += "\\sub\\..";
  file += "\\settings.ini";
  ASSERT_GE(file.size(), 300u);
  const std::string value = LongText(2000, 'v');
  EXPECT_EQ(Integer("kLvWriteIniString", {S(file), S("Section"), S("Key"), S(value)}), 0);
  EXPECT_EQ(Text("kLvReadIniString", {S(file), S("Section"), S("Key"), S("none")}), value);
  EXPECT_EQ(std::string(kLvReadIniString((dir / "settings.ini").c_str(), "Section", "Key", "")), value);
  // A failed write is visible to the script.
  EXPECT_EQ(Integer("kLvWriteIniString", {S(dir.Path()), S("Section"), S("Key"), S("v")}), -1);
}

TEST_F(Lingo, ReadIniIntegerAnswersTheTextOfItsDefault) {
  TempDir dir;
  const std::string file = dir / "n.ini";
  EXPECT_EQ(Text("kLvReadIniInteger", {S(file), S("S"), S("missing"), I(42)}), "42");
  EXPECT_EQ(Text("kLvReadIniInteger", {S(file), S("S"), S("missing"), I(-7)}),
            Text("kLvReadIniString", {S(file), S("S"), S("missing"), S("-7")}));
  ASSERT_EQ(Integer("kLvWriteIniString", {S(file), S("S"), S("k"), S("0x1F")}), 0);
  EXPECT_EQ(Text("kLvReadIniInteger", {S(file), S("S"), S("k"), I(3)}), "0x1F");
}

TEST_F(Lingo, RegistryMethods) {
  const std::string key = "Software\\kLvLingoTest" + std::to_string(GetCurrentProcessId());
  EXPECT_EQ(Integer("kLvWriteRegString", {S(""), S(key), S("Sec"), S("Name"), S(LongText(100))}), 0);
  EXPECT_EQ(Text("kLvReadRegString", {S(""), S(key), S("Sec"), S("Name"), S("d")}), LongText(100));
  EXPECT_EQ(Integer("kLvWriteRegInteger", {S(""), S(key), S("Sec"), S("Count"), I(-5)}), 0);
  EXPECT_EQ(Integer("kLvReadRegInteger", {S(""), S(key), S("Sec"), S("Count"), I(9)}), -5);
  EXPECT_EQ(std::string(kLvReadRegString("", key.c_str(), "Sec", "Count", "")), "-5");
  EXPECT_EQ(Integer("kLvReadRegInteger", {S(""), S(key), S("Sec"), S("Missing"), I(-123)}), -123);
  RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

TEST_F(Lingo, FileMethods) {
  TempDir dir;
  const std::string made = dir / "a\\b\\c";
  EXPECT_EQ(Integer("kLvCreateDirectory", {S(made)}), 0);
  EXPECT_TRUE(IsFolder(made));
  ASSERT_TRUE(WriteFile(dir / "src.txt", "payload"));
  EXPECT_EQ(Integer("kLvDoesFileExist", {S(dir / "src.txt")}), 1);
  EXPECT_EQ(Integer("kLvDoesFileExist", {S(dir / "nothing.txt")}), 0);
  EXPECT_EQ(Integer("kLvCopyFile", {S(dir / "src.txt"), S(made + "\\copy.txt")}), 0);
  EXPECT_EQ(ReadFile(made + "\\copy.txt").value_or(""), "payload");
  EXPECT_EQ(Integer("kLvMoveFile", {S(made + "\\copy.txt"), S(dir / "moved.txt")}), 0);
  EXPECT_FALSE(Exists(made + "\\copy.txt"));
  EXPECT_EQ(ReadFile(dir / "moved.txt").value_or(""), "payload");
  EXPECT_EQ(Integer("kLvCopyFile", {S(dir / "none\\*.txt"), S(made + "\\")}), 2);
  EXPECT_EQ(Integer("kLvRemoveDirectory", {S(made)}), 0);
  EXPECT_FALSE(Exists(made));
  EXPECT_EQ(Integer("kLvRemoveDirectory", {S(made)}), -1);  // negative values reach Lingo unchanged
}

TEST_F(Lingo, AddedMethodsPassTheirArgumentsWhole) {
  TempDir dir;
  // A name longer than the original methods' 80-byte buffers still reaches the library whole.
  const std::string folder = dir / LongText(120);
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string file = folder + "\\facts.txt";
  ASSERT_TRUE(WriteFile(file, "0123456789"));
  EXPECT_EQ(Text("kLvGetFileInfo", {S(file), S("size")}), "10");
  EXPECT_EQ(Text("kLvGetFileInfo", {S(file), S("nonsense")}), "-1");
  EXPECT_EQ(Integer("kLvDeleteFile", {S(folder + "\\*.txt")}), 0);
  EXPECT_FALSE(Exists(file));
  EXPECT_EQ(Integer("kLvDeleteFile", {S(folder + "\\*.txt")}), 1);
  EXPECT_EQ(Integer("kLvDeleteFile", {S(dir / "none\\x.txt")}), 2);
  EXPECT_TRUE(IsFolder(folder));
  EXPECT_EQ(Text("kLvGetSpecialFolder", {S("windows")}), std::string(kLvGetWindowsDir()));
  EXPECT_EQ(Text("kLvGetDriveInfo", {S("c:\\"), S("type")}), "fixed");
  EXPECT_EQ(Text("kLvGetDriveInfo", {S("c"), S("total")}), std::string(kLvGetDriveInfo("C", "total")));
}

TEST_F(Lingo, EnvironmentAndVersionMethods) {
  SavedVariable saved("KLV_LINGO_VAR");
  const std::string value = LongText(5000, 'e');
  EXPECT_EQ(Integer("kLvSetEnvironmentVariable", {S("KLV_LINGO_VAR"), S(value)}), 1);
  char check[8];
  EXPECT_EQ(GetEnvironmentVariableA("KLV_LINGO_VAR", check, sizeof check), value.size() + 1);
  EXPECT_EQ(Text("kLvGetEnvironmentVariable", {S("KLV_LINGO_VAR")}), value);
  const std::string list = Text("kLvGetEnvironmentStrings");
  EXPECT_GT(list.size(), 5000u);
  EXPECT_NE(list.find("KLV_LINGO_VAR=" + value + "\r"), std::string::npos);
  EXPECT_EQ(list, std::string(kLvGetEnvironmentStrings()));
  EXPECT_EQ(Text("kLvGetEnvironmentVariable", {S("KLV_NEVER_SET_VAR")}), "");
  EXPECT_EQ(Text("kLvToolVer"), std::string(kLvToolVer()));
}

TEST_F(Lingo, MessageBoxShowsTheWholeTextAndAnswersTheButton) {
  const std::string message = LongText(1000, 'm');
  std::string shown;
  Person person(kDialogClass, "kLv Lingo box", [&](HWND box) {
    char text[4096] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message box's text control
    shown = text;
    Press(box, IDCANCEL);
  });
  EXPECT_EQ(Text("kLvMessageBox", {S(message), S("kLv Lingo box"), S("okcancel"), S("stop"), I(2)}), "Cancel");
  person.Finish();
  EXPECT_TRUE(person.Saw());
  EXPECT_EQ(shown, message);
}

TEST_F(Lingo, FileDialogsCancelledAnswerTheEmptyText) {
  CurrentFolder kept;  // the dialogs move it
  for (const char* method : {"kLvOpenFile", "kLvSaveFile"}) {
    const std::string title = std::string("kLv Lingo ") + method;
    Person person(kDialogClass, title, [](HWND dialog) { Press(dialog, IDCANCEL); });
    EXPECT_EQ(Text(method, {S(title), S("C:\\"), S("report"), S(".txt"), S("Text|*.txt")}), "");
    person.Finish();
    EXPECT_TRUE(person.Saw()) << method;
  }
}

TEST_F(Lingo, FileDialogsOpenWhateverTheStartingFolder) {
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  char windowsDir[MAX_PATH] = {};
  GetWindowsDirectoryA(windowsDir, MAX_PATH);
  const std::string windows = windowsDir;
  for (const char* method : {"kLvOpenFile", "kLvSaveFile"}) {
    const std::string title = std::string("kLv Lingo ") + method;
    for (const std::string& folder : {std::string("CON"), std::string("NUL"), std::string("COM1"), std::string("LPT1"),
                                      std::string("CON.txt"), std::string("C:\\x\\con.txt"), windows + "\\win.ini",
                                      windows + "\\klv_missing", windows + "\\"}) {
      std::string shown;
      Person person(kDialogClass, title, [&](HWND dialog) {
        shown = DialogFolder(dialog);
        Press(dialog, IDCANCEL);
      });
      EXPECT_EQ(Text(method, {S(title), S(folder), S(""), S(""), S("")}), "") << method << " " << folder;
      person.Finish();
      EXPECT_TRUE(person.Saw()) << method << " " << folder;
      EXPECT_EQ(shown == windows, folder == windows + "\\") << method << " " << folder << " showed " << shown;
      SetCurrentDirectoryA(previous);
    }
  }
}

TEST_F(Lingo, MissingArgumentsAreEmptyTextsAndZero) {
  TempDir dir;
  const std::string file = dir / "partial.ini";
  moahost::Values& values = host_->ValueInterface();
  MoaMmValue result = moahost::Values::Void();
  // Only the file name: the empty section, entry and value are written.
  ASSERT_EQ(RawCall("kLvWriteIniString", {values.String(file)}, &result), kMoaErr_NoErr);
  EXPECT_EQ(Show(result), "0");
  EXPECT_EQ(std::string(kLvReadIniString(file.c_str(), "", "", "missing")), "");
  result = moahost::Values::Void();
  ASSERT_EQ(RawCall("kLvReadRegInteger", {values.String(""), values.String("Software\\kLvNoSuchKeyAtAll")}, &result),
            kMoaErr_NoErr);
  EXPECT_EQ(Show(result), "0");  // the missing default is 0
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\kLvNoSuchKeyAtAll");
  result = moahost::Values::Void();
  ASSERT_EQ(RawCall("kLvGetFreeDiskSpace", {}, &result), kMoaErr_NoErr);
  EXPECT_EQ(Show(result), "-1");
}

TEST_F(Lingo, AStringArgumentGivenAsAnIntegerIsItsText) {
  TempDir dir;
  ASSERT_TRUE(WriteFile(dir / "12", "x"));
  MoaMmValue result = moahost::Values::Void();
  {
    CurrentFolder inside(dir.Path());
    ASSERT_TRUE(inside.Changed());
    EXPECT_EQ(RawCall("kLvDoesFileExist", {moahost::Values::Integer(12)}, &result), kMoaErr_NoErr);
    EXPECT_EQ(Show(result), "1");
  }
  // A value that is neither text nor a number is the empty text.
  result = moahost::Values::Void();
  EXPECT_EQ(RawCall("kLvDoesFileExist", {moahost::Values::Void()}, &result), kMoaErr_NoErr);
  EXPECT_EQ(Show(result), "0");
}

// --- texts in each host's encoding

namespace {

using moahost::Utf16;

DWORD Attributes(const std::string& utf8) { return GetFileAttributesW(Utf16(utf8).c_str()); }

// A name the system code page holds, in that code page: accented letters on
// a Western system, kanji and kana whose second bytes include "\" on a
// Japanese one.
std::string AnsiName() {
  for (const wchar_t* name : {L"J\u00FCrgen \u00E9t\u00E9", L"\u8868\u30BD\u80FD"}) {
    char text[64] = {};
    BOOL lost = FALSE;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, text, sizeof text, nullptr, &lost) && !lost)
      return text;
  }
  ADD_FAILURE() << "no test name for code page " << GetACP();
  return "ansi";
}

class Director : public Lingo {
 protected:
  // The host from now on: `product` `version`, or one without IMoaAppInfo.
  void Present(const char* version, const char* product = "Director") {
    moahost::Options options;
    options.refuseAppInfo = !version;
    options.version = version ? version : "";
    options.product = product;
    host_ = std::make_unique<moahost::Host>(BinDir() + "\\kLvTools.x32", options);
    ASSERT_EQ(host_->Register(), kMoaErr_NoErr);
  }
};

}  // namespace

TEST_F(Director, Director11AndLaterPassAnyCharacterAsUtf8) {
  Present("11.5");
  TempDir dir;
  const std::string outer = dir / "Ωμέγα", folder = outer + "\\日本 🎵", value = "Ωμέγα 日本 🎵";
  EXPECT_EQ(Integer("kLvCreateDirectory", {S(folder)}), 0);
  EXPECT_TRUE(Attributes(folder) & FILE_ATTRIBUTE_DIRECTORY && Attributes(folder) != INVALID_FILE_ATTRIBUTES);
  // An INI file that can hold every character: UTF-16 from its byte-order mark.
  const std::string file = folder + "\\🎵.ini";
  ASSERT_TRUE(WriteFile(dir / "unicode.ini", "\xFF\xFE"));
  EXPECT_EQ(Integer("kLvCopyFile", {S(dir / "unicode.ini"), S(file)}), 0);
  EXPECT_EQ(Integer("kLvWriteIniString", {S(file), S("Ωμέγα"), S("日本"), S(value)}), 0);
  EXPECT_EQ(Integer("kLvDoesFileExist", {S(file)}), 1);
  EXPECT_EQ(Text("kLvReadIniString", {S(file), S("Ωμέγα"), S("日本"), S("")}), value);
  EXPECT_EQ(Utf8(kLvReadIniStringW(Utf16(file).c_str(), L"Ωμέγα", L"日本", L"")), value);
  {
    CurrentFolder kept;
    ASSERT_TRUE(SetCurrentDirectoryW(Utf16(folder).c_str()));
    EXPECT_EQ(Text("kLvGetCurrentDir"), folder);
    EXPECT_EQ(Utf8(kLvGetCurrentDirW()), folder);
  }
  SavedVariable saved("KLV_TEXT_VAR");
  EXPECT_EQ(Integer("kLvSetEnvironmentVariable", {S("KLV_TEXT_VAR"), S(value)}), 1);
  EXPECT_EQ(Text("kLvGetEnvironmentVariable", {S("KLV_TEXT_VAR")}), value);
  EXPECT_EQ(Utf8(kLvGetEnvironmentVariableW(L"KLV_TEXT_VAR")), value);
  // Removed through the Xtra as well, before the ANSI clean-up meets them.
  EXPECT_EQ(Integer("kLvDeleteFile", {S(folder + "\\*.ini")}), 0);
  EXPECT_EQ(Integer("kLvRemoveDirectory", {S(folder)}), 0);
  EXPECT_EQ(Integer("kLvRemoveDirectory", {S(outer)}), 0);
  EXPECT_EQ(Attributes(outer), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Director, OtherHostsPassAnsiBytesAsBefore) {
  TempDir dir;
  const std::string name = AnsiName(), utf8 = "\xC3\xA9";  // "é" in UTF-8: two ANSI characters
  struct {
    const char* version;
    const char* product;
  } const hosts[] = {{"10.1", "Director"}, {nullptr, "Director"}, {"11.5", "Shockwave"}, {"abc", "Director"}};
  int n = 0;
  for (const auto& host : hosts) {
    Present(host.version, host.product);
    const std::string folder = dir / (name + std::to_string(n++)), file = folder + "\\" + name + ".ini";
    EXPECT_EQ(Integer("kLvCreateDirectory", {S(folder)}), 0);
    EXPECT_TRUE(IsFolder(folder)) << folder;
    EXPECT_EQ(Integer("kLvWriteIniString", {S(file), S(name), S(name), S(name)}), 0);
    EXPECT_EQ(Text("kLvReadIniString", {S(file), S(name), S(name), S("")}), name);
    EXPECT_EQ(std::string(kLvReadIniString(file.c_str(), name.c_str(), name.c_str(), "")), name);
    {
      CurrentFolder inside(folder);
      EXPECT_EQ(Text("kLvGetCurrentDir"), folder);
    }
    EXPECT_EQ(Integer("kLvCreateDirectory", {S(folder + "\\" + utf8)}), 0);
    EXPECT_TRUE(IsFolder(folder + "\\" + utf8)) << "UTF-8 bytes are ANSI characters to this host";
  }
  Present("11.5");
  EXPECT_EQ(Integer("kLvCreateDirectory", {S(dir / utf8)}), 0);
  EXPECT_FALSE(IsFolder(dir / utf8));
  EXPECT_NE(Attributes(dir / "é"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Integer("kLvRemoveDirectory", {S(dir / "é")}), 0);
}

TEST_F(Director, InvalidUtf8OrANulIsRefusedAndTouchesNothing) {
  TempDir dir;
  SavedVariable saved("KLV_BAD_VAR");
  const std::string nul("a\0b", 3), ini = dir / "a.ini";
  for (const char* version : {"11.5", "10.1"}) {
    Present(version);
    for (const std::string& bad : {std::string("\x80"), std::string("\xC0\xAF"), std::string("\xED\xA0\x80"), nul}) {
      if (std::string(version) == "10.1" && bad != nul) continue;  // ANSI bytes: characters to this host
      EXPECT_EQ(Integer("kLvCreateDirectory", {S(dir / ("x" + bad))}), -1) << version;
      EXPECT_EQ(Integer("kLvWriteIniString", {S(ini), S("S"), S("k"), S("v" + bad)}), -1);
      EXPECT_EQ(Integer("kLvSetEnvironmentVariable", {S("KLV_BAD_VAR"), S(bad)}), 0);
    }
  }
  WIN32_FIND_DATAW found;
  const klv::Find find(FindFirstFileW(Utf16(dir / "*").c_str(), &found));
  int entries = 0;
  for (BOOL more = find.Valid(); more; more = FindNextFileW(find.Get(), &found)) ++entries;
  EXPECT_EQ(entries, 2) << "only . and ..";
  EXPECT_EQ(GetEnvironmentVariableW(L"KLV_BAD_VAR", nullptr, 0), 0u);
}
