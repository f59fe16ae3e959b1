#include "run.h"

#include "module1.h"
#include "owner.h"
#include "picture.h"
#include "resource.h"

namespace autorun::run {

namespace {

constexpr char kClass[] = "autorun.Run";
constexpr char kCaption[] = "Ventrix";
constexpr char kReadmeProgram[] = "write.exe";
constexpr COLORREF kBackground = RGB(192, 255, 255);  // &H00FFFFC0
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed dialog frame
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kClientWidth = 5385, kClientHeight = 4155;  // twips

// Fonts in hundredths of a point, all of character set 0.
struct FontDesign {
  const char* face;
  int hundredths;
  int weight;
};
enum FontId { kWindowFont, kButtonFont, kTagFont, kHeadFont, kFontCount };
const FontDesign kFonts[kFontCount] = {
    {"Arial", 825, FW_NORMAL},
    {"Arial", 975, FW_BOLD},
    {"Arial", 975, FW_BOLD},
    {"Arial", 1425, FW_BOLD},
};

enum ControlId { kCommand1 = 101, kProducthead, kOrvel, kReadtag, kReadimage, kRunImage, kRuntag };

// The controls in the window's control order; positions in twips.
struct ControlDesign {
  ControlId id;
  const char* windowClass;
  const char* text;
  int left, top, width, height;
  DWORD style;
  FontId font;
};
constexpr DWORD kLabel = SS_NOPREFIX;
constexpr DWORD kImage = SS_OWNERDRAW | SS_NOTIFY;
const ControlDesign kControls[] = {
    {kCommand1, "BUTTON", "Cancel", 1920, 3600, 1575, 375, BS_PUSHBUTTON | WS_TABSTOP, kButtonFont},
    {kProducthead, "STATIC", "", 0, 480, 5535, 615, kLabel | SS_CENTER, kHeadFont},
    {kOrvel, "STATIC", "Orvel Interactive Presents", 0, 120, 5535, 255, kLabel | SS_CENTER, kTagFont},
    {kReadtag, "STATIC", "View Readme", 960, 2520, 1575, 255, kLabel | SS_LEFT, kTagFont},
    {kReadimage, "STATIC", "", 120, 2400, 540, 540, kImage, kWindowFont},
    {kRunImage, "STATIC", "", 120, 1560, 540, 540, kImage, kWindowFont},
    {kRuntag, "STATIC", "Run Program", 960, 1680, 3135, 255, kLabel | SS_LEFT, kTagFont},
};

// The background of the window class, for as long as the process runs.
klv::GdiObject g_background;

// The one Run window's resources, released when the window goes; the
// launcher ends with it.
struct State {
  HWND self = nullptr;
  klv::GdiObject fonts[kFontCount];
  Picture readimage;
  Picture runImage;
} g_run;

HWND Control(ControlId id) { return GetDlgItem(g_run.self, id); }

HFONT Font(FontId id) { return static_cast<HFONT>(g_run.fonts[id].Get()); }

klv::GdiObject MakeFont(const FontDesign& design) {
  const klv::ScreenDc screen;
  const int height = -MulDiv(design.hundredths, GetDeviceCaps(screen.Get(), LOGPIXELSY), 7200);
  return klv::GdiObject(CreateFontA(height, 0, 0, 0, design.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, design.face));
}

// The picture of the product's program: the file named by Icon, or with no
// Icon the icon of the program itself, so the user can still start it.
Picture ProductPicture() {
  const Settings& s = ProductSettings;
  if (!s.Icon.empty()) return Picture::FromFile(s.Icon);
  if (s.ExecutableFile.empty()) return Picture::ProgramIcon("");
  return Picture::ProgramIcon(JoinPath(CurrentFolder(), s.ExecutableFile));
}

void Form_Load() {
  g_run.runImage = ProductPicture();
  SetWindowTextA(Control(kProducthead), ProductSettings.Header.c_str());
}

// Opens the readme in the system's word processor; the window stays.
void Readimage_Click() {
  const std::string readme = JoinPath(CurrentFolder(), ProductSettings.Readme);
  StartProgram("", std::string(kReadmeProgram) + " " + Quoted(readme), SW_SHOWNORMAL,
               std::string("the word processor (") + kReadmeProgram + ")");
}

// Starts the product maximised and ends the launcher.
void RunImage_Click() {
  ShowWindow(g_run.self, SW_HIDE);
  const std::string program = JoinPath(CurrentFolder(), ProductSettings.ExecutableFile);
  StartProgram(program, Quoted(program), SW_SHOWMAXIMIZED, "the program " + Shown(program));
  DestroyWindow(g_run.self);
}

// The launcher ends with its only visible window (OnDestroy).
void Command1_Click() { DestroyWindow(g_run.self); }

BOOL OnCreate(HWND self, LPCREATESTRUCTA) {
  g_run.self = self;
  for (int i = 0; i < kFontCount; ++i) g_run.fonts[i] = MakeFont(kFonts[i]);
  SendMessageA(self, WM_SETFONT, reinterpret_cast<WPARAM>(Font(kWindowFont)), FALSE);
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(self, GWLP_HINSTANCE));
  for (const ControlDesign& c : kControls) {
    HWND control = CreateWindowExA(0, c.windowClass, c.text, WS_CHILD | WS_VISIBLE | c.style, TwipsX(c.left),
                                   TwipsY(c.top), TwipsX(c.width), TwipsY(c.height), self,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
    if (!control) Fatal(std::string("Cannot create the control \"") + c.text + "\".", GetLastError());
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(Font(c.font)), FALSE);
  }
  g_run.readimage = Picture::FromResource(IDI_NOTEPAD);
  Form_Load();
  return TRUE;
}

void OnCommand(int id, UINT code) {
  switch (id) {
    case kReadimage:
      if (code == STN_CLICKED || code == STN_DBLCLK) Readimage_Click();
      break;
    case kRunImage:
      if (code == STN_CLICKED || code == STN_DBLCLK) RunImage_Click();
      break;
    case kCommand1:
      if (code == BN_CLICKED) Command1_Click();
      break;
    case IDOK:  // Enter, sent by the keyboard interface: presses the focused button
      if (GetFocus() == Control(kCommand1)) Command1_Click();
      break;
  }
}

void OnDrawItem(const DRAWITEMSTRUCT& item) {
  FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(g_background.Get()));
  if (item.CtlID == kReadimage) g_run.readimage.Draw(item.hDC, item.rcItem);
  if (item.CtlID == kRunImage) g_run.runImage.Draw(item.hDC, item.rcItem);
}

// Labels draw their text straight onto the window's background.
HBRUSH OnCtlColorStatic(HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

// Only Cancel takes the focus.
void OnSetFocus() { SetFocus(Control(kCommand1)); }

// Closing by the frame is Cancel.
void OnClose() { Command1_Click(); }

// The process never outlives its only visible window.
void OnDestroy() { EndLauncher(0); }

// The controls are gone as well: their fonts and pictures can go.
void OnNcDestroy() { g_run = State{}; }

LRESULT Dispatch(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(self, reinterpret_cast<LPCREATESTRUCTA>(lParam)) ? 0 : -1;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(OnCtlColorStatic(reinterpret_cast<HDC>(wParam)));
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      break;
  }
  return DefWindowProcA(self, message, wParam, lParam);
}

LRESULT CALLBACK WndProc(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (Handled([&] { result = Dispatch(self, message, wParam, lParam); })) return result;
  // The failed handler has ended the launcher: a window that fails to load
  // is not created, and a shown one goes.
  if (message == WM_CREATE) return -1;
  DestroyWindow(self);
  return 0;
}

}  // namespace

void Register(HINSTANCE instance) {
  g_background.Reset(CreateSolidBrush(kBackground));
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_NOTEPAD));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(g_background.Get());
  windowClass.lpszClassName = kClass;
  if (!RegisterClassA(&windowClass)) Fatal("Cannot register the Run window.", GetLastError());
}

void Show(HINSTANCE instance) {
  RECT frame{0, 0, TwipsX(kClientWidth), TwipsY(kClientHeight)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND self = CreateWindowExA(kExStyle, kClass, kCaption, kStyle, left, top, width, height, nullptr, nullptr,
                              instance, nullptr);
  if (!self) Fatal("Cannot create the Run window.", GetLastError());
  ShowWindow(self, SW_SHOWNORMAL);
  UpdateWindow(self);
  SetFocus(Control(kCommand1));
}

bool IsDialogMessage(MSG* message) { return g_run.self && ::IsDialogMessageA(g_run.self, message); }

}  // namespace autorun::run
