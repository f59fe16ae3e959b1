#include "run_screen.h"

#include "ending.h"
#include "owner.h"
#include "paths.h"
#include "picture.h"
#include "resource.h"
#include "start.h"

namespace autorun {

namespace {

constexpr wchar_t kClass[] = L"autorun.Run";
constexpr wchar_t kCaption[] = L"Ventrix";
constexpr COLORREF kBackground = RGB(192, 255, 255);
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // a fixed dialog frame
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

// The screen is designed in pixels at 96 DPI and drawn at the DPI of the
// monitor it is on: positions, sizes and type scale together.
constexpr UINT kDesignDpi = 96;
constexpr int kClientWidth = 359, kClientHeight = 277;

int Scaled(int designPixels, UINT dpi) { return MulDiv(designPixels, static_cast<int>(dpi), kDesignDpi); }

// Fonts in hundredths of a point.
struct FontDesign {
  const wchar_t* face;
  int hundredths;
  int weight;
};
enum FontId { kButtonFont, kLabelFont, kTitleFont, kFontCount, kNoFont = kFontCount };
const FontDesign kFonts[kFontCount] = {
    {L"Arial", 975, FW_BOLD},
    {L"Arial", 975, FW_BOLD},
    {L"Arial", 1425, FW_BOLD},
};

enum ControlId {
  kCancel = 101,
  kTitle,         // the Header of Kelbit.ini
  kMaker,         // "Orvel Interactive Presents"
  kReadmeLabel,
  kReadmePicture,  // the notepad: opens the readme
  kTitlePicture,   // the title's picture: starts the title
  kTitlePictureLabel,
};

// The controls in the window's control (and tab) order.
struct ControlDesign {
  ControlId id;
  const wchar_t* windowClass;
  const wchar_t* text;
  int left, top, width, height;  // design pixels
  DWORD style;
  FontId font;
};
constexpr DWORD kLabel = SS_NOPREFIX;
constexpr DWORD kPicture = SS_OWNERDRAW | SS_NOTIFY;
const ControlDesign kControls[] = {
    {kCancel, L"BUTTON", L"Cancel", 128, 240, 105, 25, BS_PUSHBUTTON | WS_TABSTOP, kButtonFont},
    {kTitle, L"STATIC", L"", 0, 32, 369, 41, kLabel | SS_CENTER, kTitleFont},
    {kMaker, L"STATIC", L"Orvel Interactive Presents", 0, 8, 369, 17, kLabel | SS_CENTER, kLabelFont},
    {kReadmeLabel, L"STATIC", L"View Readme", 64, 168, 105, 17, kLabel | SS_LEFT, kLabelFont},
    {kReadmePicture, L"STATIC", L"", 8, 160, 36, 36, kPicture, kNoFont},
    {kTitlePicture, L"STATIC", L"", 8, 104, 36, 36, kPicture, kNoFont},
    {kTitlePictureLabel, L"STATIC", L"Run Program", 64, 112, 209, 17, kLabel | SS_LEFT, kLabelFont},
};

// The background of the window class, for as long as the process runs.
klv::GdiObject g_background;

// The one Run screen: what it shows, and its resources, released when the
// window goes (the launcher ends with it).
struct RunScreen {
  HWND self = nullptr;
  Product product;
  std::wstring discFolder;
  klv::GdiObject fonts[kFontCount];
  Picture readmePicture;
  Picture titlePicture;
} g_screen;

HWND Control(ControlId id) { return GetDlgItem(g_screen.self, id); }

klv::GdiObject MakeFont(const FontDesign& design, UINT dpi) {
  const int height = -MulDiv(design.hundredths, static_cast<int>(dpi), 7200);
  return klv::GdiObject(CreateFontW(height, 0, 0, 0, design.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_SWISS, design.face));
}

// The platform's per-monitor DPI calls, where Windows has them (10, 1607
// and later); older Windows has one DPI for every monitor.
template <class Call>
Call User32Call(const char* name) {
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

UINT WindowDpi(HWND window) {
  static const auto getDpiForWindow = User32Call<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (getDpiForWindow) {
    if (const UINT dpi = getDpiForWindow(window)) return dpi;
  }
  const klv::ScreenDc screen;
  const int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
  return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

RECT FrameAround(int clientWidth, int clientHeight, UINT dpi) {
  static const auto adjustForDpi =
      User32Call<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
  RECT frame{0, 0, clientWidth, clientHeight};
  if (!adjustForDpi || !adjustForDpi(&frame, kStyle, FALSE, kExStyle, dpi))
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  return frame;
}

// Gives the window a client area of exactly `width` x `height`, its frame's
// corner at `at` when given.
void SizeClientArea(int width, int height, UINT dpi, const POINT* at) {
  const RECT frame = FrameAround(width, height, dpi);
  const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (at ? 0 : SWP_NOMOVE);
  SetWindowPos(g_screen.self, nullptr, at ? at->x : 0, at ? at->y : 0, frame.right - frame.left,
               frame.bottom - frame.top, flags);
  // The frame that is drawn may differ from the one computed (a caption
  // that keeps its height): make up the difference.
  RECT client{}, window{};
  GetClientRect(g_screen.self, &client);
  GetWindowRect(g_screen.self, &window);
  const int missingWidth = width - client.right, missingHeight = height - client.bottom;
  if (missingWidth || missingHeight)
    SetWindowPos(g_screen.self, nullptr, 0, 0, window.right - window.left + missingWidth,
                 window.bottom - window.top + missingHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

// Places every control, sets its type, and sizes the window, all at `dpi`.
void LayOut(UINT dpi, const POINT* at) {
  klv::GdiObject fonts[kFontCount];
  for (int i = 0; i < kFontCount; ++i) fonts[i] = MakeFont(kFonts[i], dpi);
  for (const ControlDesign& c : kControls) {
    HWND control = Control(c.id);
    SetWindowPos(control, nullptr, Scaled(c.left, dpi), Scaled(c.top, dpi), Scaled(c.width, dpi),
                 Scaled(c.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    if (c.font != kNoFont) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts[c.font].Get()), TRUE);
  }
  // The controls now use the new fonts: the old ones can go.
  for (int i = 0; i < kFontCount; ++i) g_screen.fonts[i] = std::move(fonts[i]);
  SizeClientArea(Scaled(kClientWidth, dpi), Scaled(kClientHeight, dpi), dpi, at);
  InvalidateRect(g_screen.self, nullptr, TRUE);
}

// The title's picture: the file named by Icon, or with no Icon the icon of
// the title's program itself, so that the user can still start it.
Picture TitlePicture() {
  const Product& p = g_screen.product;
  if (!p.icon.empty()) return Picture::FromFile(p.icon);
  if (p.executableFile.empty()) return Picture::ProgramIcon(L"");
  return Picture::ProgramIcon(JoinPath(g_screen.discFolder, p.executableFile));
}

// Starts the title maximised and ends the launcher; when the user declines
// its elevation prompt, the Run screen stays.
void StartTitle() {
  ShowWindow(g_screen.self, SW_HIDE);
  const std::wstring program = JoinPath(g_screen.discFolder, g_screen.product.executableFile);
  if (StartProgram(program, g_screen.discFolder, SW_SHOWMAXIMIZED, L"the program " + Shown(program)) ==
      Start::kDeclined) {
    ShowWindow(g_screen.self, SW_SHOW);
    return;
  }
  DestroyWindow(g_screen.self);
}

// Opens the readme with its program; the Run screen stays, whatever happens.
void OpenReadme() {
  const std::wstring readme = JoinPath(g_screen.discFolder, g_screen.product.readme);
  OpenDocument(g_screen.self, readme, g_screen.discFolder, L"the readme " + Shown(readme));
}

// The launcher ends with its only window (OnDestroy).
void Leave() { DestroyWindow(g_screen.self); }

BOOL OnCreate(HWND self, const CREATESTRUCTW& create) {
  g_screen.self = self;
  for (const ControlDesign& c : kControls) {
    HWND control = CreateWindowExW(0, c.windowClass, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, self,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), create.hInstance, nullptr);
    if (!control) Fatal(std::wstring(L"Cannot create the control \"") + c.text + L"\".", GetLastError());
  }
  LayOut(WindowDpi(self), nullptr);
  g_screen.readmePicture = Picture::FromResource(IDI_NOTEPAD);
  g_screen.titlePicture = TitlePicture();
  SetWindowTextW(Control(kTitle), g_screen.product.header.c_str());
  return TRUE;
}

void OnCommand(int id, UINT code) {
  const bool clicked = code == STN_CLICKED || code == STN_DBLCLK;
  switch (id) {
    case kReadmePicture:
      if (clicked) OpenReadme();
      break;
    case kTitlePicture:
      if (clicked) StartTitle();
      break;
    case kCancel:
      if (code == BN_CLICKED) Leave();
      break;
    case IDOK:  // Enter, sent by the keyboard interface: presses the focused button
      if (GetFocus() == Control(kCancel)) Leave();
      break;
  }
}

void OnDrawItem(const DRAWITEMSTRUCT& item) {
  FillRect(item.hDC, &item.rcItem, static_cast<HBRUSH>(g_background.Get()));
  if (item.CtlID == kReadmePicture) g_screen.readmePicture.Draw(item.hDC, item.rcItem);
  if (item.CtlID == kTitlePicture) g_screen.titlePicture.Draw(item.hDC, item.rcItem);
}

// Labels draw their text straight onto the window's background.
HBRUSH OnCtlColorStatic(HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

// The screen moved to a monitor of another DPI (or that monitor's DPI
// changed): laid out again at the new DPI, where Windows suggests.
void OnDpiChanged(UINT dpi, const RECT& suggested) {
  const POINT at{suggested.left, suggested.top};
  LayOut(dpi, &at);
}

// Only Cancel takes the focus.
void OnSetFocus() { SetFocus(Control(kCancel)); }

// Closing by the frame is Cancel.
void OnClose() { Leave(); }

// The process never outlives its only window.
void OnDestroy() { EndLauncher(0); }

// The controls are gone as well: their fonts and pictures can go.
void OnNcDestroy() { g_screen = RunScreen{}; }

LRESULT Dispatch(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate(self, *reinterpret_cast<const CREATESTRUCTW*>(lParam)) ? 0 : -1;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(OnCtlColorStatic(reinterpret_cast<HDC>(wParam)));
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
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
  return DefWindowProcW(self, message, wParam, lParam);
}

LRESULT CALLBACK WindowProc(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (Handled([&] { result = Dispatch(self, message, wParam, lParam); })) return result;
  // The failed handler has ended the launcher: a window that fails to be
  // created is not, and a shown one goes.
  if (message == WM_CREATE) return -1;
  DestroyWindow(self);
  return 0;
}

void Register(HINSTANCE instance) {
  g_background.Reset(CreateSolidBrush(kBackground));
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_NOTEPAD));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(g_background.Get());
  windowClass.lpszClassName = kClass;
  if (!RegisterClassW(&windowClass)) Fatal(L"Cannot register the Run screen's window class.", GetLastError());
}

// Centred on the screen.
void Centre(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

// Until the quit message that ends the launcher; the screen's keyboard
// interface (Tab, Enter, Space) first.
void HandleMessages() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (g_screen.self && IsDialogMessageW(g_screen.self, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace

void ShowRunScreen(HINSTANCE instance, const Product& product, const std::wstring& discFolder) {
  Register(instance);
  g_screen.product = product;
  g_screen.discFolder = discFolder;
  // Laid out at the DPI of its monitor as it is created, then centred; a
  // move to a monitor of another DPI sends WM_DPICHANGED.
  HWND self = CreateWindowExW(kExStyle, kClass, kCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr,
                              nullptr, instance, nullptr);
  if (!self) Fatal(L"Cannot create the Run screen.", GetLastError());
  Centre(self);
  ShowWindow(self, SW_SHOWNORMAL);
  UpdateWindow(self);
  SetFocus(Control(kCancel));
  HandleMessages();
}

}  // namespace autorun
