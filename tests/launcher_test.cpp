// autorun.exe as a process: started in a disc folder on the CD-ROM drive D:,
// with stubs in place of setup.exe, the title and the readme's program that
// log how they were started. The Run screen is read and driven from
// outside, the way a person would use it.
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <vector>

#include "klv_test.h"
#include "klv_window.h"
#include "owner.h"
#include "pe_image.h"

using namespace klvtest;

namespace {

constexpr DWORD kWait = 20000;  // the longest any single wait may take
constexpr char kHeader[] = "Ventrix Space Quest!";
constexpr COLORREF kBackground = RGB(192, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// The launcher's test seams (launcher/start.cpp) and exit codes.
constexpr char kShellErrorSeam[] = "KLV_TEST_SHELL_ERROR";
constexpr char kSystemBitsSeam[] = "KLV_TEST_SYSTEM_BITS";
constexpr long long kExitSixteenBit = ERROR_EXE_MACHINE_TYPE_MISMATCH;

// Positions on the Run screen in pixels at 96 DPI.
const RECT kRunImage = {8, 104, 44, 140};
const RECT kReadimage = {8, 160, 44, 196};
const POINT kEmptySpot = {340, 150};
const RECT kHeaderLabel = {0, 32, 359, 73};

std::string Windows(const std::string& name) {
  char folder[MAX_PATH];
  GetWindowsDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\" + name;
}

// 4 KiB of bytes that make no INI file: every byte value, no line breaks.
std::string Junk() {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919 + 13) % 256);
  return junk;
}

// The code page's form of a name it holds.
std::string AnsiName(const std::wstring& text) { return Ansi(text).value(); }

COLORREF ScreenPixel(HWND window, POINT client) {
  ClientToScreen(window, &client);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, client.x, client.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

// The colour of a client pixel once the window has painted it (or the last
// colour seen when it never does).
COLORREF PaintedPixel(HWND window, POINT client, COLORREF expected) {
  COLORREF seen = CLR_INVALID;
  WaitFor([&] { return (seen = ScreenPixel(window, client)) == expected; }, 5000);
  return seen;
}

bool Reddish(COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; }

// The notepad's cover is yellow and olive squares.
bool CoverColour(COLORREF c) { return c == RGB(255, 255, 0) || c == RGB(128, 128, 0); }

// An 8 x 8 24-bit bitmap file of one colour.
std::string BitmapFile(COLORREF colour) {
  const int side = 8, rowBytes = side * 3, imageBytes = rowBytes * side;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + imageBytes;
  info.biSize = sizeof(info);
  info.biWidth = info.biHeight = side;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = imageBytes;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
  for (int i = 0; i < side * side; ++i) {
    bytes += static_cast<char>(GetBValue(colour));
    bytes += static_cast<char>(GetGValue(colour));
    bytes += static_cast<char>(GetRValue(colour));
  }
  return bytes;
}

// The smallest program file GetBinaryType takes for a 16-bit Windows one
// (an MZ header pointing at an NE header), or for a DOS one (MZ alone).
std::string SixteenBitProgram(bool windows) {
  std::string bytes(128, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[8] = 4;  // the header's size in 16-byte paragraphs
  if (windows) {
    bytes[0x3C] = 0x40;  // where the NE header starts
    bytes[0x40] = 'N';
    bytes[0x41] = 'E';
    bytes[0x40 + 0x36] = 2;  // for Windows (not OS/2)
  }
  return bytes;
}

// A 24-bit BMP file as SaveScreenshot writes it.
struct Screenshot {
  int width = 0, height = 0;
  std::string rows;  // bottom-up, each padded to 4 bytes

  explicit Screenshot(const std::string& file) {
    if (file.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return;
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(file.data() + sizeof(BITMAPFILEHEADER));
    width = info->biWidth;
    height = info->biHeight;
    rows = file.substr(reinterpret_cast<const BITMAPFILEHEADER*>(file.data())->bfOffBits);
  }
  // The pixel's colour: dark when every channel is below half.
  bool Dark(int x, int y) const {
    const std::size_t at = static_cast<std::size_t>(height - 1 - y) * ((width * 3 + 3) & ~3) + x * 3;
    if (x < 0 || y < 0 || x >= width || y >= height || at + 2 >= rows.size()) return false;
    return static_cast<unsigned char>(rows[at]) < 128 && static_cast<unsigned char>(rows[at + 1]) < 128 &&
           static_cast<unsigned char>(rows[at + 2]) < 128;
  }
  // How many rows, from the first to the last holding a dark pixel, the
  // type in `area` covers.
  int InkHeight(const RECT& area) const {
    int first = -1, last = -1;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (Dark(x, y)) {
          if (first < 0) first = y;
          last = y;
          break;
        }
    return first < 0 ? 0 : last - first + 1;
  }
};

struct Started {
  std::string module;       // UTF-8, as all of these
  std::string commandLine;
  int show = -1;
  std::string folder;
  int codePage = 0;
};

// The launcher running as a process in a disc folder; ended on destruction
// if it still runs.
class Launch {
 public:
  explicit Launch(const std::wstring& folder) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring line = L"\"" + folder + L"\\autorun.exe\"";
    started_ = CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                              &process_) != 0;
  }
  explicit Launch(const std::string& folder) : Launch(Wide(folder)) {}
  ~Launch() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, kWait);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  Launch(const Launch&) = delete;
  Launch& operator=(const Launch&) = delete;

  bool Started() const { return started_; }
  HANDLE Process() const { return process_.hProcess; }

  // The exit code, or -1 when it is still running after the wait.
  long long ExitCode(DWORD timeoutMs = kWait) const {
    if (!started_ || WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }
  bool Running() const { return started_ && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

  // The visible Run screen, or null when none shows within the wait.
  HWND RunWindow(DWORD timeoutMs = kWait) const {
    return Shown([](HWND w) { return ClassOf(w) != kDialogClass && WindowText(w) == "Ventrix"; }, timeoutMs);
  }

  // The message box, or null when none shows within the wait.
  HWND ErrorBox(DWORD timeoutMs = kWait) const {
    return Shown([](HWND w) { return ClassOf(w) == kDialogClass; }, timeoutMs);
  }

  // Watches the process until it ends: true when any window of it was
  // visible at some moment.
  bool ShowedAWindow(DWORD timeoutMs = kWait) const {
    bool seen = false;
    const DWORD start = GetTickCount();
    while (Running() && GetTickCount() - start < timeoutMs) {
      for (HWND w : WindowsOf(process_.dwProcessId)) seen = seen || IsWindowVisible(w);
      Sleep(1);
    }
    return seen;
  }

  int VisibleWindows() const {
    int count = 0;
    for (HWND w : WindowsOf(process_.dwProcessId)) count += IsWindowVisible(w) ? 1 : 0;
    return count;
  }

 private:
  // A visible window of the launcher that `match` accepts, or null when
  // none shows within the wait or the launcher ends first.
  HWND Shown(const std::function<bool(HWND)>& match, DWORD timeoutMs) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
          for (HWND w : WindowsOf(process_.dwProcessId))
            if (IsWindowVisible(w) && match(w)) found = w;
          return found != nullptr || !Running();
        },
        timeoutMs);
    return found;
  }

  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

// The text of an error box, and the box dismissed with OK.
std::string DismissErrorBox(HWND box) {
  std::string text;
  for (HWND child : Children(box))
    if (ClassOf(child) == "Static" && WindowText(child).size() > text.size()) text = WindowText(child);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  return text;
}

HWND ControlAt(HWND window, POINT client) { return ChildWindowFromPoint(window, client); }

HWND ControlAt(HWND window, const RECT& box) {
  return ControlAt(window, POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2});
}

void Click(HWND control) {
  RECT box;
  GetClientRect(control, &box);
  const LPARAM at = MAKELPARAM(box.right / 2, box.bottom / 2);
  PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(control, WM_LBUTTONUP, 0, at);
}

HWND Button(HWND window, const std::string& text) {
  for (HWND child : Children(window))
    if (ClassOf(child) == "Button" && WindowText(child) == text) return child;
  return nullptr;
}

// The file type .klvdoc, opened by the stub, for as long as this lives.
class StubFileType {
 public:
  static constexpr char kExtension[] = ".klvdoc";
  StubFileType() {
    const std::string command = "\"" + BinDir() + "\\launcher_stub.exe\" \"%1\"";
    RegSetValueA(HKEY_CLASSES_ROOT, kExtension, REG_SZ, "klvdoc.file", 0);
    RegSetValueA(HKEY_CLASSES_ROOT, "klvdoc.file\\shell\\open\\command", REG_SZ, command.c_str(), 0);
  }
  ~StubFileType() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "klvdoc.file");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kExtension);
  }
};

// Notepad of the Windows folder replaced by the stub for as long as this
// lives.
class StubNotepad {
 public:
  StubNotepad() : path_(Windows("notepad.exe")), saved_(ReadFile(path_)) {
    EXPECT_TRUE(saved_.has_value()) << path_;
    EXPECT_TRUE(CopyFileA((BinDir() + "\\launcher_stub.exe").c_str(), path_.c_str(), FALSE)) << path_;
  }
  ~StubNotepad() {
    if (saved_) WriteFile(path_, *saved_);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::optional<std::string> saved_;
};

int g_disc = 0;

class Launcher : public ::testing::Test {
 protected:
  TempDir logDir;
  const std::string log = logDir / "started.log";
  SavedVariable stubLog{"KLV_STUB_LOG"};
  const std::string orvel = Windows("Orvel.ini");
  std::vector<std::string> discs;

  void SetUp() override {
    SetEnvironmentVariableA("KLV_STUB_LOG", log.c_str());
    ASSERT_FALSE(Exists(orvel)) << "a test left Orvel.ini behind";
  }
  void TearDown() override {
    for (const auto& disc : discs) Clear(disc);
    DeleteFileA(orvel.c_str());
    RemoveTree(VirtualStoreFolder());
  }

  // Empties a disc folder; a folder below the root goes with it.
  static void Clear(const std::string& disc) {
    if (disc.size() > 3) {
      RemoveTree(disc);
      return;
    }
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((disc + "*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> names;
    do {
      const std::string name = entry.cFileName;
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    for (const auto& name : names) RemoveTree(disc + name);
  }

  // The current user's virtual store (Windows' own place for files that a
  // program without administrator rights writes into system folders).
  static std::string VirtualStoreFolder() {
    char local[MAX_PATH] = "";
    GetEnvironmentVariableA("LOCALAPPDATA", local, MAX_PATH);
    return std::string(local) + "\\VirtualStore";
  }
  // Where an unelevated setup's write of C:\Windows\Orvel.ini lands.
  static std::string VirtualStoreOrvel() {
    const std::string folder = VirtualStoreFolder() + Windows("").substr(2);
    SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    return folder + "Orvel.ini";
  }

  // A disc folder holding the launcher: the drive's root (D:\), or a folder
  // below it named after the test.
  std::string Disc(bool root = false, const std::string& label = "") {
    std::string disc = "D:\\";
    if (root) {
      Clear(disc);
    } else {
      disc += (label.empty() ? "disc" : label) + " " + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(++g_disc);
      RemoveTree(disc);
      EXPECT_TRUE(CreateDirectoryA(disc.c_str(), nullptr)) << disc << " error " << GetLastError();
    }
    discs.push_back(disc);
    EXPECT_TRUE(CopyFileA((BinDir() + "\\autorun.exe").c_str(), Path(disc, "autorun.exe").c_str(), FALSE));
    return disc;
  }

  static std::string Path(const std::string& disc, const std::string& name) {
    return disc.back() == '\\' ? disc + name : disc + "\\" + name;
  }

  // A stub program (plain, "admin" or "icon") at a path under the disc, its
  // folders made.
  static void Stub(const std::string& disc, const std::string& name, const std::string& kind = "") {
    const std::string path = Path(disc, name);
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
      CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    const std::string stub = BinDir() + "\\launcher_stub" + (kind.empty() ? "" : "_" + kind) + ".exe";
    EXPECT_TRUE(CopyFileA(stub.c_str(), path.c_str(), FALSE)) << path;
  }

  static void Fixture(const std::string& disc, const std::string& fixture, const std::string& name) {
    EXPECT_TRUE(CopyFileA((BinDir() + "\\launcher_fixtures\\" + fixture).c_str(), Path(disc, name).c_str(), FALSE))
        << fixture;
  }

  struct Product {
    std::string icon = "product.bmp";
    std::string productLine = "Ventrix";
    std::string bookmark = "Installed";
    std::string executable = "game\\start.exe";
    std::string header = kHeader;
    std::string readme = "readme.klvdoc";
  };

  static std::string KelbitText(const Product& p) {
    return "[Product Info]\r\nIcon=" + p.icon + "\r\nProduct Line=" + p.productLine + "\r\nBookmark=" + p.bookmark +
           "\r\nExecutable File=" + p.executable + "\r\nHeader=" + p.header + "\r\nReadme=" + p.readme + "\r\n";
  }

  // Kelbit.ini with the six keys, and the picture and readme it names.
  static void Kelbit(const std::string& disc, const Product& p) {
    EXPECT_TRUE(WriteFile(Path(disc, "Kelbit.ini"), KelbitText(p)));
    if (p.icon == "product.bmp") {
      EXPECT_TRUE(WriteFile(Path(disc, p.icon), BitmapFile(kRed)));
    }
    if (p.readme == "readme.klvdoc") {
      EXPECT_TRUE(WriteFile(Path(disc, p.readme), "Read me.\r\n"));
    }
  }

  // The disc's programs: setup.exe and the title's program.
  static void Programs(const std::string& disc, const Product& p) {
    Stub(disc, "setup.exe");
    Stub(disc, p.executable);
  }

  void Installed(const std::string& section = "Ventrix", const std::string& key = "Installed",
                 const std::string& value = "C:\\Ventrix") {
    EXPECT_TRUE(WriteFile(orvel, "[" + section + "]\r\n" + key + "=" + value + "\r\n"));
  }

  // A disc folder (see Disc) with Kelbit.ini for `p` and the programs it
  // names, the product recorded as installed.
  std::string InstalledDisc(const Product& p, bool root = false, const std::string& label = "") {
    const std::string disc = Disc(root, label);
    Kelbit(disc, p);
    Programs(disc, p);
    Installed();
    return disc;
  }

  // Clicks the product picture of an open Run screen. The launcher must end
  // with 0 and exactly one program start; that start is returned (empty
  // when there was not exactly one).
  Started RunProduct(Launch& launch, HWND run) {
    Click(ControlAt(run, kRunImage));
    EXPECT_EQ(launch.ExitCode(), 0);
    const auto started = StartedPrograms(1);
    EXPECT_EQ(started.size(), 1u);
    return started.size() == 1 ? started[0] : Started{};
  }

  // The programs started so far, waiting until there are `count`.
  std::vector<Started> StartedPrograms(std::size_t count, DWORD timeoutMs = kWait) {
    std::vector<std::string> lines;
    WaitFor(
        [&] {
          lines = Lines(ReadFile(log).value_or(""));
          return lines.size() >= count;
        },
        timeoutMs);
    std::vector<Started> result;
    for (const auto& line : lines) {
      std::vector<std::string> fields;
      for (std::size_t start = 0, tab;; start = tab + 1) {
        tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
      }
      if (fields.size() != 5) continue;
      result.push_back(Started{fields[0], fields[1], std::stoi(fields[2]), fields[3], std::stoi(fields[4])});
    }
    return result;
  }

  // Not installed: setup.exe starts maximised in the disc folder, no window
  // of ours shows, and the launcher ends with 0.
  void ExpectSetupBranch(const std::string& disc) {
    Launch launch(disc);
    ASSERT_TRUE(launch.Started());
    EXPECT_FALSE(launch.ShowedAWindow());
    EXPECT_EQ(launch.ExitCode(), 0);
    const auto started = StartedPrograms(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].module, Path(disc, "setup.exe"));
    EXPECT_EQ(started[0].commandLine, "\"" + Path(disc, "setup.exe") + "\"");
    EXPECT_EQ(started[0].show, SW_SHOWMAXIMIZED);
    EXPECT_EQ(started[0].folder, disc);
    DeleteFileA(log.c_str());
  }

  // `file` holding `text` leaves the title not installed.
  void ExpectSetupBranchWith(const std::string& disc, const std::string& file, const std::string& text) {
    ASSERT_TRUE(WriteFile(file, text));
    ExpectSetupBranch(disc);
  }

  // A fatal error: a box naming what failed, and a non-zero exit code once
  // it is dismissed. Returns the box's text; the exit code goes to `code`.
  std::string ExpectErrorBox(Launch& launch, long long* code = nullptr) {
    HWND box = launch.ErrorBox();
    EXPECT_NE(box, nullptr) << "no error box; exit code " << std::hex << launch.ExitCode(0);
    if (!box) return "";
    EXPECT_EQ(launch.RunWindow(0), nullptr) << "the Run screen shows beside the error box";
    const std::string text = DismissErrorBox(box);
    const long long exitCode = launch.ExitCode();
    EXPECT_NE(exitCode, 0);
    EXPECT_NE(exitCode, -1) << "still running";
    EXPECT_LT(exitCode, 0x10000) << "ended by a fault";
    if (code) *code = exitCode;
    return text;
  }

  // A message over the Run screen that does not end the launcher: its text,
  // once it is dismissed and the Run screen is back in use.
  std::string ExpectMessageOverRunScreen(Launch& launch, HWND run) {
    HWND box = launch.ErrorBox();
    EXPECT_NE(box, nullptr) << "no message; exit code " << std::hex << launch.ExitCode(0);
    if (!box) return "";
    EXPECT_EQ(GetWindow(box, GW_OWNER), run);
    const std::string text = DismissErrorBox(box);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(run) != FALSE; }, 5000));
    EXPECT_TRUE(launch.Running());
    EXPECT_TRUE(IsWindowVisible(run));
    return text;
  }

  // A click on the product's picture whose program cannot start: the
  // error box as ExpectErrorBox sees it.
  std::string StartFailsWithErrorBox(const std::string& disc, long long* code = nullptr) {
    Launch launch(disc);
    HWND run = launch.RunWindow();
    EXPECT_NE(run, nullptr);
    if (!run) return "";
    Click(ControlAt(run, kRunImage));
    return ExpectErrorBox(launch, code);
  }
};

}  // namespace

TEST(LauncherFile, ImportsVersionManifestAndNotepadIcon) {
  const std::string file = BinDir() + "\\autorun.exe";
  const auto image = ReadPeImage(file);
  const std::vector<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll",    "shell32.dll",
                                           "ole32.dll",    "oleaut32.dll", "msvcrt.dll", "advapi32.dll"};
  ASSERT_FALSE(image.imports.empty());
  for (const auto& dll : image.imports)
    EXPECT_NE(std::find(system.begin(), system.end(), dll), system.end()) << "imports " << dll;
  // Programs start through the shell, which asks for elevation where
  // CreateProcess would refuse.
  ASSERT_NE(std::count(image.importedFunctions.begin(), image.importedFunctions.end(), "ShellExecuteExW"), 0);
  for (const auto& function : image.importedFunctions) {
    EXPECT_EQ(function.find("CreateProcess"), std::string::npos) << function;
    EXPECT_EQ(function.find("WinExec"), std::string::npos) << function;
  }
  // Windows' installer detection reads the file's texts: none may look
  // like a setup's.
  std::string texts;

  DWORD ignored = 0;
  std::string version(GetFileVersionInfoSizeA(file.c_str(), &ignored), '\0');
  ASSERT_FALSE(version.empty());
  ASSERT_TRUE(GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(version.size()), &version[0]));
  const std::pair<const char*, const char*> values[] = {{"FileDescription", "Ventrix disc launcher"},
                                                        {"FileVersion", "1.00"},
                                                        {"ProductVersion", "1.00"},
                                                        {"InternalName", "autorun"},
                                                        {"OriginalFilename", "autorun.exe"},
                                                        {"ProductName", "Ventrix"}};
  for (const auto& [name, expected] : values) {
    char* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    ASSERT_TRUE(VerQueryValueA(&version[0], query.c_str(), reinterpret_cast<void**>(&value), &length)) << name;
    EXPECT_STREQ(value, expected) << name;
    texts += std::string(value) + "\n";
  }

  HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // the manifest
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                             SizeofResource(module, found));
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
  EXPECT_NE(manifest.find(">true/PM</dpiAware>"), std::string::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  for (const char* os : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                         "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                         "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})  // Vista, 7, 8, 8.1, 10 and 11
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"), std::string::npos) << os;
  texts += manifest + file;
  std::transform(texts.begin(), texts.end(), texts.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const char* word : {"setup", "install", "update"}) EXPECT_EQ(texts.find(word), std::string::npos) << word;

  // The notepad: a 32 x 32 and a 16 x 16 image in 16 colours.
  found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(found, nullptr);
  const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
  ASSERT_EQ(group[4], 2);  // image count
  for (int i = 0; i < 2; ++i) {
    const BYTE* entry = group + 6 + 14 * i;
    EXPECT_EQ(entry[0], i == 0 ? 32 : 16);
    EXPECT_EQ(entry[1], i == 0 ? 32 : 16);
    EXPECT_EQ(entry[2], 16);  // colours
    EXPECT_EQ(entry[6], 4);   // bits per pixel
  }
  FreeLibrary(module);
}

TEST_F(Launcher, InstalledProductOpensTheRunScreen) {
  const std::string disc = InstalledDisc(Product(), true);
  Launch launch(disc);
  HWND run = launch.RunWindow();
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(launch.VisibleWindows(), 1) << "Startup must stay invisible";

  const LONG style = GetWindowLongA(run, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
  RECT client;
  GetClientRect(run, &client);
  EXPECT_EQ(client.right, 359);
  EXPECT_EQ(client.bottom, 277);
  RECT frame;
  GetWindowRect(run, &frame);
  EXPECT_NEAR((frame.left + frame.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((frame.top + frame.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  std::vector<std::string> texts;
  for (HWND child : Children(run)) texts.push_back(WindowText(child));
  EXPECT_EQ(texts.size(), 7u);
  for (const char* text : {"Cancel", "Orvel Interactive Presents", kHeader, "View Readme", "Run Program"})
    EXPECT_EQ(std::count(texts.begin(), texts.end(), text), 1) << text;
  EXPECT_EQ(WindowText(ControlAt(run, POINT{180, 50})), kHeader);  // the title label, exactly
  HWND cancel = Button(run, "Cancel");
  ASSERT_NE(cancel, nullptr);
  RECT button;
  GetWindowRect(cancel, &button);
  MapWindowPoints(nullptr, run, reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(button.left, 128);
  EXPECT_EQ(button.top, 240);
  EXPECT_EQ(button.right - button.left, 105);
  EXPECT_EQ(button.bottom - button.top, 25);
  // Focus follows the window's activation, which reaches Wine from X a little later.
  WaitFor([&] { return FocusOf(run) == cancel; }, 5000);
  EXPECT_EQ(FocusOf(run), cancel);

  EXPECT_EQ(PaintedPixel(run, kEmptySpot, kBackground), kBackground);
  // The 8 x 8 product bitmap fills the 36 x 36 control, corner to corner.
  EXPECT_EQ(PaintedPixel(run, POINT{kRunImage.left, kRunImage.top}, kRed), kRed);
  EXPECT_EQ(PaintedPixel(run, POINT{kRunImage.right - 1, kRunImage.bottom - 1}, kRed), kRed);
  // The notepad: its cover in yellow, and the background through its mask.
  EXPECT_TRUE(CoverColour(ScreenPixel(run, POINT{kReadimage.left + 5, kReadimage.top + 18})));
  EXPECT_EQ(ScreenPixel(run, POINT{kReadimage.left + 16, kReadimage.top}), kBackground);

  PostMessageA(cancel, BM_CLICK, 0, 0);
  EXPECT_EQ(launch.ExitCode(), 0);
  EXPECT_TRUE(StartedPrograms(0).empty());
}

TEST_F(Launcher, ProductPictureStartsTheProductMaximisedAndEnds) {
  // A disc folder with a blank, and a program folder with one: the path
  // must reach the system whole, not as "D:\disc" or "...\My".
  Product product;
  product.executable = "My Game\\start.exe";
  const std::string disc = InstalledDisc(product, false, "Disc one");
  Stub(disc, "My.exe");
  Launch launch(disc);
  HWND run = launch.RunWindow();
  ASSERT_NE(run, nullptr);
  const Started started = RunProduct(launch, run);
  const std::string program = disc + "\\My Game\\start.exe";
  EXPECT_EQ(started.module, program);
  EXPECT_EQ(started.commandLine, "\"" + program + "\"");
  EXPECT_EQ(started.show, SW_SHOWMAXIMIZED);
  EXPECT_EQ(started.folder, disc);
}

TEST_F(Launcher, ReadmeOpensWithItsProgramEachTimeAndTheWindowStays) {
  const StubFileType fileType;
  const std::string disc = InstalledDisc(Product());
  Launch launch(disc);
  HWND run = launch.RunWindow();
  ASSERT_NE(run, nullptr);
  HWND notepad = ControlAt(run, kReadimage);
  for (std::size_t i = 1; i <= 3; ++i) {
    Click(notepad);
    EXPECT_EQ(StartedPrograms(i).size(), i);
    Sleep(600);  // apart, so that two clicks are not a double click
  }
  const auto started = StartedPrograms(3);
  ASSERT_EQ(started.size(), 3u);
  for (const auto& s : started) {
    EXPECT_EQ(s.module, BinDir() + "\\launcher_stub.exe");  // the program of .klvdoc files
    EXPECT_EQ(s.commandLine, "\"" + BinDir() + "\\launcher_stub.exe\" \"" + disc + "\\readme.klvdoc\"");
    EXPECT_EQ(s.show, SW_SHOWNORMAL);
  }
  EXPECT_TRUE(launch.Running());
  EXPECT_TRUE(IsWindowVisible(run));
  PostMessageA(run, WM_SYSCOMMAND, SC_CLOSE, 0);  // the frame's close box
  EXPECT_EQ(launch.ExitCode(), 0);
  EXPECT_EQ(StartedPrograms(3).size(), 3u);
}

TEST_F(Launcher, ReadmeWithoutAProgramOpensInNotepadOrIsExplained) {
  const StubNotepad notepad;
  const std::string disc = Disc();
  Product product;
  Programs(disc, product);
  Installed();
  EXPECT_TRUE(WriteFile(Path(disc, "README"), "Read me.\r\n"));
  EXPECT_TRUE(WriteFile(Path(disc, "readme.klvnone"), "Read me.\r\n"));
  // The Run screen of a disc whose readme is `readme`, its picture clicked;
  // `then` looks at what followed, and the screen is closed after.
  const auto clickReadme = [&](const char* readme, const std::function<void(Launch&, HWND)>& then) {
    SCOPED_TRACE(readme);
    product.readme = readme;
    Kelbit(disc, product);
    Launch launch(disc);
    HWND run = launch.RunWindow();
    ASSERT_NE(run, nullptr);
    Click(ControlAt(run, kReadimage));
    then(launch, run);
    PostMessageA(run, WM_CLOSE, 0, 0);
    EXPECT_EQ(launch.ExitCode(), 0);
  };
  for (const char* readme : {"README", "readme.klvnone"}) {
    clickReadme(readme, [&](Launch& launch, HWND) {
      const auto started = StartedPrograms(1);
      ASSERT_EQ(started.size(), 1u);
      EXPECT_EQ(started[0].module, notepad.Path());
      EXPECT_NE(started[0].commandLine.find(" \"" + Path(disc, readme) + "\""), std::string::npos)
          << started[0].commandLine;
      EXPECT_TRUE(launch.Running());
      DeleteFileA(log.c_str());
    });
  }
  // What cannot be opened is explained, and the Run screen stays; a
  // program named as the readme is not run (no second launcher).
  const std::pair<const char*, const char*> unopenable[] = {
      {"missing.txt", "missing.txt"}, {"", "folder"}, {"autorun.exe", "program"}};
  for (const auto& [readme, said] : unopenable) {
    clickReadme(readme, [&, said = said](Launch& launch, HWND run) {
      const std::string text = ExpectMessageOverRunScreen(launch, run);
      EXPECT_NE(text.find("Cannot open the readme " + disc), std::string::npos) << text;
      EXPECT_NE(text.find(said), std::string::npos) << text;
      EXPECT_EQ(launch.VisibleWindows(), 1);
    });
  }
  EXPECT_TRUE(StartedPrograms(0).empty());
}

TEST_F(Launcher, KeysThatPressTheFocusedButtonEndIt) {
  const std::string disc = InstalledDisc(Product());
  for (const WORD key : {VK_SPACE, VK_RETURN}) {
    Launch launch(disc);
    HWND run = launch.RunWindow();
    ASSERT_NE(run, nullptr) << key;
    HWND cancel = Button(run, "Cancel");
    WaitFor([&] { return FocusOf(run) == cancel; }, 5000);
    HWND focus = FocusOf(run);
    ASSERT_EQ(focus, cancel) << key;
    const UINT scan = MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    PostMessageA(focus, WM_KEYDOWN, key, MAKELPARAM(1, scan));
    PostMessageA(focus, WM_KEYUP, key, MAKELPARAM(1, scan | 0xC000));
    EXPECT_EQ(launch.ExitCode(), 0) << key;
  }
  EXPECT_TRUE(StartedPrograms(0).empty());
}

TEST_F(Launcher, NotInstalledStartsSetupWithoutAWindow) {
  const std::string disc = Disc(true);
  Product product;
  Programs(disc, product);
  {
    SCOPED_TRACE("no Kelbit.ini");
    ExpectSetupBranch(disc);
  }
  Kelbit(disc, product);
  {
    SCOPED_TRACE("no Orvel.ini");
    ExpectSetupBranch(disc);
  }
  {
    SCOPED_TRACE("no entry");
    Installed("Ventrix", "Elsewhere");
    ExpectSetupBranch(disc);
  }
  {
    SCOPED_TRACE("an empty value");
    Installed("Ventrix", "Installed", "");
    ExpectSetupBranch(disc);
  }
  {
    SCOPED_TRACE("Orvel.ini on the disc only");
    DeleteFileA(orvel.c_str());
    EXPECT_TRUE(WriteFile(Path(disc, "Orvel.ini"), "[Ventrix]\r\nInstalled=yes\r\n"));
    ExpectSetupBranch(disc);
  }
}

TEST_F(Launcher, ZeroCountsAsInstalled) {
  const std::string disc = Disc();
  Product product;
  Kelbit(disc, product);
  Programs(disc, product);
  Installed("Ventrix", "Installed", "0");
  Launch launch(disc);
  HWND run = launch.RunWindow();
  ASSERT_NE(run, nullptr);
  PostMessageA(run, WM_CLOSE, 0, 0);
  EXPECT_EQ(launch.ExitCode(), 0);
}

TEST_F(Launcher, InstallInTheVirtualStoreCounts) {
  const std::string disc = Disc();
  Product product;
  Kelbit(disc, product);
  Programs(disc, product);
  const std::string store = VirtualStoreOrvel();
  const auto runScreenShows = [&] {
    Launch launch(disc);
    HWND run = launch.RunWindow();
    EXPECT_NE(run, nullptr);
    PostMessageA(run, WM_CLOSE, 0, 0);
    EXPECT_EQ(launch.ExitCode(), 0);
  };
  {
    SCOPED_TRACE("only in the virtual store");
    EXPECT_TRUE(WriteFile(store, "[Ventrix]\r\nInstalled=C:\\Ventrix\r\n"));
    runScreenShows();
  }
  {
    SCOPED_TRACE("the real file names another product");
    Installed("Other", "Installed");
    runScreenShows();
  }
  {
    SCOPED_TRACE("the virtual store names another product");
    ExpectSetupBranchWith(disc, store, "[Other]\r\nInstalled=C:\\Other\r\n");
  }
  {
    SCOPED_TRACE("the virtual store copy is no INI file");
    ExpectSetupBranchWith(disc, store, Junk() + "\r\nVentrix]\r\nInstalled\r\n[Ventrix\r\n=x\r\n");
  }
  {
    SCOPED_TRACE("in the real file only");
    DeleteFileA(store.c_str());
    Installed();
    runScreenShows();
  }
}

TEST_F(Launcher, SubfolderDiscReadsItsOwnKelbitIni) {
  // Started in D:\CD..., the launcher reads D:\CD...\Kelbit.ini and the
  // setup it starts is D:\CD...\setup.exe.
  const std::string disc = Disc(false, "CD");
  Product product;
  Programs(disc, product);
  Kelbit(disc, product);
  Installed();
  {
    Launch launch(disc);
    HWND run = launch.RunWindow();
    ASSERT_NE(run, nullptr);
    PostMessageA(run, WM_CLOSE, 0, 0);
    EXPECT_EQ(launch.ExitCode(), 0);
  }
  DeleteFileA(orvel.c_str());
  ExpectSetupBranch(disc);
}

TEST_F(Launcher, LongValuesArriveWhole) {
  Product product;
  product.header = LongText(150);
  product.executable = LongText(60, 'a') + "\\" + LongText(60, 'k') + "\\" + LongText(20, 'u') + ".exe";
  ASSERT_EQ(product.executable.size(), 146u);
  const std::string disc = InstalledDisc(product);
  Launch launch(disc);
  HWND run = launch.RunWindow();
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(WindowText(ControlAt(run, POINT{180, 50})), product.header);
  EXPECT_EQ(RunProduct(launch, run).module, disc + "\\" + product.executable);
}

TEST_F(Launcher, PictureFormats) {
  const std::string disc = Disc();
  Product product;
  Programs(disc, product);
  Installed();
  Fixture(disc, "red.gif", "red.gif");
  Fixture(disc, "red.jpg", "red.jpg");
  Fixture(disc, "notepad.ico", "product.ico");
  EXPECT_TRUE(WriteFile(Path(disc, "red.bmp"), BitmapFile(kRed)));
  Stub(disc, "iconic.exe", "icon");
  struct Case {
    std::string icon;
    std::string executable;
    std::function<bool(COLORREF)> looks;
  };
  const Case cases[] = {
      {"red.bmp", "game\\start.exe", [](COLORREF c) { return c == kRed; }},
      {"red.gif", "game\\start.exe", [](COLORREF c) { return c == kRed; }},
      {"red.jpg", "game\\start.exe", Reddish},
      {"product.ico", "game\\start.exe", CoverColour},
      // No Icon: the program's own icon (a blue square, neither the
      // launcher's notepad nor the system's icon), or the system's default
      // program icon when it has none.
      {"", "iconic.exe", [](COLORREF c) { return c == kBlue; }},
      {"", "game\\start.exe", [](COLORREF c) { return c != kBackground && c != kBlue && !CoverColour(c); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("Icon=" + c.icon + " Executable File=" + c.executable);
    product.icon = c.icon;
    product.executable = c.executable;
    Kelbit(disc, product);
    Launch launch(disc);
    HWND run = launch.RunWindow();
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(PaintedPixel(run, kEmptySpot, kBackground), kBackground);
    bool looks = false;
    COLORREF seen = CLR_INVALID;
    // Corners of the 36 x 36 control for one-colour pictures, the cover
    // for the notepad icons.
    const POINT spot = c.icon.find("red") == 0 ? POINT{kRunImage.right - 2, kRunImage.bottom - 2}
                                              : POINT{kRunImage.left + 5, kRunImage.top + 18};
    WaitFor([&] { return looks = c.looks(seen = ScreenPixel(run, spot)); }, 5000);
    EXPECT_TRUE(looks) << std::hex << seen;
    PostMessageA(run, WM_CLOSE, 0, 0);
    EXPECT_EQ(launch.ExitCode(), 0);
  }
}

TEST_F(Launcher, FatalErrorsShowABoxAndEndNonZero) {
  const std::string disc = Disc();
  Product product;
  Kelbit(disc, product);
  Stub(disc, product.executable);
  const std::string setup = Path(disc, "setup.exe");
  {
    SCOPED_TRACE("no setup.exe");
    Launch launch(disc);
    const std::string text = ExpectErrorBox(launch);
    EXPECT_NE(text.find(setup), std::string::npos) << text;
    EXPECT_GT(text.size(), text.find("setup.exe") + 12) << "no system text: " << text;
  }
  {
    SCOPED_TRACE("a setup.exe that is a folder");
    ASSERT_TRUE(CreateDirectoryA(setup.c_str(), nullptr));
    Launch launch(disc);
    long long code = 0;
    const std::string text = ExpectErrorBox(launch, &code);
    EXPECT_NE(text.find(setup), std::string::npos) << text;
    EXPECT_NE(text.find("It is a folder, not a program."), std::string::npos) << text;
    EXPECT_EQ(code, ERROR_DIRECTORY);
    RemoveDirectoryA(setup.c_str());
  }
  {
    SCOPED_TRACE("a setup.exe that is a document");
    EXPECT_TRUE(WriteFile(setup, "Not a program at all.\r\n"));
    Launch launch(disc);
    long long code = 0;
    const std::string text = ExpectErrorBox(launch, &code);
    EXPECT_NE(text.find("It is not a program that Windows can run."), std::string::npos) << text;
    EXPECT_EQ(code, ERROR_BAD_EXE_FORMAT);
  }
  Installed();
  {
    SCOPED_TRACE("missing picture");
    product.icon = "missing.ico";
    Kelbit(disc, product);
    Launch launch(disc);
    const std::string text = ExpectErrorBox(launch);
    EXPECT_NE(text.find("missing.ico"), std::string::npos) << text;
  }
  {
    SCOPED_TRACE("a picture that is not one");
    product.icon = "readme.txt";
    Kelbit(disc, product);
    EXPECT_TRUE(WriteFile(Path(disc, "readme.txt"), "Not a picture at all.\r\n"));
    Launch launch(disc);
    const std::string text = ExpectErrorBox(launch);
    EXPECT_NE(text.find("readme.txt"), std::string::npos) << text;
  }
  {
    SCOPED_TRACE("a 10,000-character picture name");
    product.icon = LongText(10000, 'p');
    Kelbit(disc, product);
    Launch launch(disc);
    ExpectErrorBox(launch);
  }
  {
    SCOPED_TRACE("an empty picture file");
    product.icon = "empty.gif";
    Kelbit(disc, product);
    EXPECT_TRUE(WriteFile(Path(disc, "empty.gif"), ""));
    Launch launch(disc);
    ExpectErrorBox(launch);
  }
  struct Refused {
    const char* what;
    std::string executable, says;
    long long code;
  };
  product.icon = "";
  for (const Refused& refused : {Refused{"a program that is a folder", "game", disc + "\\game", ERROR_DIRECTORY},
                                 Refused{"a document instead of a program", "readme.klvdoc",
                                         "It is not a program that Windows can run.", ERROR_BAD_EXE_FORMAT},
                                 Refused{"the launcher itself, by another name", "AUTORUN.EXE", "It is this launcher",
                                         ERROR_INVALID_PARAMETER}}) {
    SCOPED_TRACE(refused.what);
    product.executable = refused.executable;
    Kelbit(disc, product);
    long long code = 0;
    const std::string text = StartFailsWithErrorBox(disc, &code);
    EXPECT_NE(text.find(refused.says), std::string::npos) << text;
    EXPECT_EQ(code, refused.code);
  }
  {
    SCOPED_TRACE("a program name with a quote");
    product.executable = "game\\st\"art.exe";
    Kelbit(disc, product);
    StartFailsWithErrorBox(disc);
  }
  EXPECT_TRUE(StartedPrograms(0).empty());
}

TEST_F(Launcher, BadKelbitIniNeverCrashes) {
  const std::string disc = Disc();
  Product product;
  Programs(disc, product);
  Installed();
  const std::string kelbit = Path(disc, "Kelbit.ini");
  {
    SCOPED_TRACE("empty");
    ExpectSetupBranchWith(disc, kelbit, "");
  }
  {
    SCOPED_TRACE("garbled");
    ExpectSetupBranchWith(disc, kelbit, Junk() + "\r\n[Product Info\r\n=\r\n[]\r\nHeader\r\n");
  }
  {
    SCOPED_TRACE("10,000-character names");
    Product longNames = product;
    longNames.productLine = LongText(10000);
    longNames.bookmark = LongText(10000, 'b');
    Kelbit(disc, longNames);
    ExpectSetupBranch(disc);
  }
  {
    SCOPED_TRACE("a value longer than the longest path");
    Product tooLong = product;
    tooLong.header = LongText(40000);
    Kelbit(disc, tooLong);
    Launch launch(disc);
    const std::string text = ExpectErrorBox(launch);
    EXPECT_NE(text.find("Header"), std::string::npos) << text;
  }
  {
    SCOPED_TRACE("quotes");
    Product quoted = product;
    quoted.header = "The \"Quoted\" Title";
    quoted.executable = "\"game\\start.exe\"";  // the profile read takes off a pair of quotes
    Kelbit(disc, quoted);
    Launch launch(disc);
    HWND run = launch.RunWindow();
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(WindowText(ControlAt(run, POINT{180, 50})), quoted.header);
    EXPECT_EQ(RunProduct(launch, run).module, disc + "\\game\\start.exe");
    DeleteFileA(log.c_str());
  }
  {
    SCOPED_TRACE("10,000-character values");
    Product huge = product;
    huge.icon = "";
    huge.header = LongText(10000, 'h');
    huge.readme = LongText(10000, 'r');
    huge.executable = LongText(10000, 'e');
    Kelbit(disc, huge);
    Launch launch(disc);
    HWND run = launch.RunWindow();
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(WindowText(ControlAt(run, POINT{180, 50})), huge.header);
    Click(ControlAt(run, kReadimage));
    EXPECT_NE(ExpectMessageOverRunScreen(launch, run).find(huge.readme.substr(0, 50)), std::string::npos);
    Click(ControlAt(run, kRunImage));
    long long code = 0;
    ExpectErrorBox(launch, &code);
    EXPECT_EQ(code, ERROR_FILENAME_EXCED_RANGE);
    EXPECT_TRUE(StartedPrograms(0).empty());
  }
}

TEST_F(Launcher, SetupThatAsksForAdministratorRightsStarts) {
  // Wine starts it without a prompt; Windows shows the prompt because the
  // launcher asks the shell, where CreateProcess would refuse it (740).
  const std::string disc = Disc();
  Product product;
  Kelbit(disc, product);
  Stub(disc, "setup.exe", "admin");
  ExpectSetupBranch(disc);
}

TEST_F(Launcher, DeclinedElevationPromptShowsNoBox) {
  SavedVariable seam(kShellErrorSeam);
  SetEnvironmentVariableA(kShellErrorSeam, std::to_string(ERROR_CANCELLED).c_str());
  const std::string disc = Disc();
  Product product;
  Kelbit(disc, product);
  Programs(disc, product);
  {
    SCOPED_TRACE("the setup: the launcher ends as after a started setup");
    Launch launch(disc);
    EXPECT_FALSE(launch.ShowedAWindow());
    EXPECT_EQ(launch.ExitCode(), 0);
  }
  {
    SCOPED_TRACE("the title: the Run screen stays");
    Installed();
    Launch launch(disc);
    HWND run = launch.RunWindow();
    ASSERT_NE(run, nullptr);
    Click(ControlAt(run, kRunImage));
    EXPECT_TRUE(WaitIdle(run));
    EXPECT_EQ(launch.ErrorBox(2000), nullptr);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(run) != FALSE; }, 5000));
    EXPECT_TRUE(launch.Running());
    PostMessageA(run, WM_CLOSE, 0, 0);
    EXPECT_EQ(launch.ExitCode(), 0);
  }
  EXPECT_TRUE(StartedPrograms(0).empty());
}

TEST_F(Launcher, SixteenBitProgramsOnlyOn32BitWindows) {
  SavedVariable seam(kSystemBitsSeam);
  const std::string disc = Disc();
  Product product;
  Kelbit(disc, product);
  Stub(disc, product.executable);
  const std::string setup = Path(disc, "setup.exe");
  for (const bool windows : {true, false}) {
    SCOPED_TRACE(windows ? "16-bit Windows" : "DOS");
    EXPECT_TRUE(WriteFile(setup, SixteenBitProgram(windows)));
    SetEnvironmentVariableA(kSystemBitsSeam, "64");
    {
      Launch launch(disc);
      long long code = 0;
      const std::string text = ExpectErrorBox(launch, &code);
      EXPECT_NE(text.find(setup), std::string::npos) << text;
      EXPECT_NE(text.find("64-bit Windows cannot run 16-bit programs"), std::string::npos) << text;
      EXPECT_EQ(code, kExitSixteenBit);
    }
    // 32-bit Windows is asked to start it (Wine's answer does not matter).
    SetEnvironmentVariableA(kSystemBitsSeam, "32");
    {
      Launch launch(disc);
      EXPECT_FALSE(launch.ShowedAWindow());
      EXPECT_EQ(launch.ExitCode(), 0);
    }
  }
  // The title's program too, from the Run screen.
  Installed();
  EXPECT_TRUE(WriteFile(Path(disc, product.executable), SixteenBitProgram(true)));
  SetEnvironmentVariableA(kSystemBitsSeam, "64");
  long long code = 0;
  const std::string text = StartFailsWithErrorBox(disc, &code);
  EXPECT_NE(text.find(Path(disc, product.executable)), std::string::npos) << text;
  EXPECT_NE(text.find("64-bit Windows cannot run 16-bit programs"), std::string::npos) << text;
  EXPECT_EQ(code, kExitSixteenBit);
}

TEST_F(Launcher, ProgramPathsUpToMaxPathStart) {
  const std::string disc = Disc();
  Product product;
  Programs(disc, product);
  Installed();
  // A program path of `length` characters: a folder of 150, then the name.
  const auto program = [&](std::size_t length) {
    const std::size_t name = length - disc.size() - 1 - 151 - 4;
    return LongText(150, 'f') + "\\" + LongText(name, 'n') + ".exe";
  };
  product.executable = program(259);
  ASSERT_EQ(Path(disc, product.executable).size(), 259u);
  Stub(disc, product.executable);
  Kelbit(disc, product);
  {
    Launch launch(disc);
    HWND run = launch.RunWindow();
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(RunProduct(launch, run).module, Path(disc, product.executable));
  }
  for (const std::size_t length : {260u, 32767u}) {
    SCOPED_TRACE(length);
    product.executable = length == 260 ? program(260) : LongText(length - disc.size() - 1, 'x');
    if (length == 260) Stub(disc, product.executable);
    Kelbit(disc, product);
    long long code = 0;
    StartFailsWithErrorBox(disc, &code);
    EXPECT_EQ(code, ERROR_FILENAME_EXCED_RANGE);
  }
  EXPECT_EQ(StartedPrograms(1).size(), 1u);
}

TEST_F(Launcher, RunScreenFollowsItsMonitorsDpi) {
  const std::string disc = InstalledDisc(Product());
  Launch launch(disc);
  HWND run = launch.RunWindow();
  ASSERT_NE(run, nullptr);
  ASSERT_EQ(PaintedPixel(run, POINT{kRunImage.left, kRunImage.top}, kRed), kRed);
  const std::string at96 = ArtifactDir() + "\\launcher-run-screen-96dpi.bmp";
  const std::string at144 = ArtifactDir() + "\\launcher-run-screen-144dpi.bmp";
  ASSERT_TRUE(SaveScreenshot(run, at96));

  // What Windows sends when the screen moves to a monitor of 144 DPI: the
  // new DPI, and where it suggests the window go, a rectangle in the
  // launcher's own memory.
  RECT frame{};
  GetWindowRect(run, &frame);
  const RECT suggested{frame.left - 20, frame.top - 10, frame.left + 520, frame.top + 440};
  void* remote = VirtualAllocEx(launch.Process(), nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
  ASSERT_NE(remote, nullptr);
  ASSERT_TRUE(WriteProcessMemory(launch.Process(), remote, &suggested, sizeof(suggested), nullptr));
  DWORD_PTR ignored = 0;
  ASSERT_TRUE(SendMessageTimeoutA(run, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(remote),
                                  SMTO_NORMAL, 5000, &ignored));

  // Everything at 1.5 times: the client area, the controls, the picture.
  RECT client;
  GetClientRect(run, &client);
  EXPECT_EQ(client.right, 539);
  EXPECT_EQ(client.bottom, 416);
  GetWindowRect(run, &frame);
  EXPECT_EQ(frame.left, suggested.left);
  EXPECT_EQ(frame.top, suggested.top);
  RECT button;
  GetWindowRect(Button(run, "Cancel"), &button);
  MapWindowPoints(nullptr, run, reinterpret_cast<POINT*>(&button), 2);
  EXPECT_EQ(button.left, 192);
  EXPECT_EQ(button.top, 360);
  EXPECT_EQ(button.right - button.left, 158);
  EXPECT_EQ(button.bottom - button.top, 38);
  EXPECT_EQ(WindowText(ControlAt(run, POINT{270, 75})), kHeader);
  EXPECT_EQ(PaintedPixel(run, POINT{12, 156}, kRed), kRed);
  EXPECT_EQ(PaintedPixel(run, POINT{12 + 53, 156 + 53}, kRed), kRed);
  EXPECT_EQ(PaintedPixel(run, POINT{12 + 54, 156 + 54}, kBackground), kBackground);
  ASSERT_TRUE(SaveScreenshot(run, at144));

  // The type: the title's letters stand 1.5 times as tall.
  POINT origin{0, 0};
  ClientToScreen(run, &origin);
  const POINT offset{origin.x - frame.left, origin.y - frame.top};
  const auto inkOf = [&](const std::string& file, double scale) {
    RECT area = kHeaderLabel;
    area = RECT{static_cast<LONG>(area.left * scale) + offset.x, static_cast<LONG>(area.top * scale) + offset.y,
                static_cast<LONG>(area.right * scale) + offset.x, static_cast<LONG>(area.bottom * scale) + offset.y};
    return Screenshot(ReadFile(file).value_or("")).InkHeight(area);
  };
  const int ink96 = inkOf(at96, 1.0), ink144 = inkOf(at144, 1.5);
  EXPECT_GT(ink96, 10);
  EXPECT_NEAR(ink144, ink96 * 1.5, 3) << ink96 << " rows at 96 DPI";
  PostMessageA(run, WM_CLOSE, 0, 0);
  EXPECT_EQ(launch.ExitCode(), 0);
}

// Runs in code page 932 (see tests/CMakeLists.txt), where 表 is the bytes
// 0x95 0x5C: its second byte is that of a backslash.
TEST_F(Launcher, DiscFolderEndingInADoubleByteCharacter) {
  ASSERT_EQ(GetACP(), 932u) << "the locale ja_JP.UTF-8 is missing: scripts/bootstrap generates it";
  const std::wstring kanji = L"\u8868";
  const std::wstring disc = L"D:\\disc " + std::to_wstring(GetCurrentProcessId()) + kanji;
  RemoveTree(AnsiName(disc));
  ASSERT_TRUE(CreateDirectoryW(disc.c_str(), nullptr));
  discs.push_back(AnsiName(disc));
  const std::wstring stub = Wide(BinDir()) + L"\\launcher_stub.exe";
  ASSERT_TRUE(CopyFileW((Wide(BinDir()) + L"\\autorun.exe").c_str(), (disc + L"\\autorun.exe").c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(stub.c_str(), (disc + L"\\setup.exe").c_str(), FALSE));
  ASSERT_TRUE(CreateDirectoryW((disc + L"\\" + kanji).c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(stub.c_str(), (disc + L"\\" + kanji + L"\\start.exe").c_str(), FALSE));
  // Kelbit.ini in the system code page, as an author in Japan writes it.
  Product product;
  product.icon = "";
  product.readme = "";
  product.executable = AnsiName(kanji) + "\\start.exe";
  ASSERT_EQ(product.executable, "\x95\x5C\\start.exe");
  {
    const std::string kelbit = KelbitText(product);
    const klv::File file(CreateFileW((disc + L"\\Kelbit.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(file && ::WriteFile(file.Get(), kelbit.data(), static_cast<DWORD>(kelbit.size()), &written, nullptr));
  }
  {
    SCOPED_TRACE("not installed: the setup");
    Launch launch(disc);
    EXPECT_FALSE(launch.ShowedAWindow());
    EXPECT_EQ(launch.ExitCode(), 0);
    const auto started = StartedPrograms(1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].module, Utf8(disc + L"\\setup.exe"));
    EXPECT_EQ(started[0].folder, Utf8(disc));
    EXPECT_EQ(started[0].codePage, 932);
    DeleteFileA(log.c_str());
  }
  {
    SCOPED_TRACE("installed: the title from the Run screen");
    Installed();
    Launch launch(disc);
    HWND run = launch.RunWindow();
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(RunProduct(launch, run).module, Utf8(disc + L"\\" + kanji + L"\\start.exe"));
  }
}
