// The demo disc's product: one window that says it runs, shown as its
// starter asks (the launcher asks for maximised). A click or a key ends it.
#include <windows.h>

namespace {

constexpr char kClass[] = "VentrixGame";
constexpr char kCaption[] = "Ventrix: The Lost Orbit";

void OnPaint(HWND self) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(self, &paint);
  RECT box;
  GetClientRect(self, &box);
  HFONT font = CreateFontA(-48, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 160));
  const char* title = "VENTRIX\nThe Lost Orbit";
  RECT text = box;
  DrawTextA(dc, title, -1, &text, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
  box.top = (box.bottom - (text.bottom - text.top)) / 2;
  DrawTextA(dc, title, -1, &box, DT_CENTER | DT_WORDBREAK);
  SelectObject(dc, old);
  DeleteObject(font);
  EndPaint(self, &paint);
}

LRESULT CALLBACK WndProc(HWND self, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint(self);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_KEYDOWN:
      DestroyWindow(self);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(self, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;  // the title stays centred
  windowClass.lpfnWndProc = WndProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = CreateSolidBrush(RGB(16, 24, 64));
  windowClass.lpszClassName = kClass;
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA(kClass, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr,
                              nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
