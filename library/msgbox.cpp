#include <windows.h>

#include "ansi.h"
#include "caller.h"
#include "frame.h"

namespace klv {

namespace {

// "Buttons" keywords; anything else shows a single OK button.
constexpr Keyword<UINT> kButtonSets[] = {
    {"ok", MB_OK},
    {"okcancel", MB_OKCANCEL},
    {"abortretryignore", MB_ABORTRETRYIGNORE},
    {"yesnocancel", MB_YESNOCANCEL},
    {"yesno", MB_YESNO},
};

// "Icon" keywords; anything else shows no icon.
constexpr Keyword<UINT> kIcons[] = {
    {"stop", MB_ICONSTOP},
    {"question", MB_ICONQUESTION},
    {"exclamation", MB_ICONEXCLAMATION},
    {"information", MB_ICONINFORMATION},
};

// The word for each platform answer, IDOK (1) to IDNO (7). "Ok" has a small k.
constexpr const char* kResultWords[] = {"Ok", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};

// The style a keyword selects; 0 for any other text. Only A-Z match
// without regard to case: the keywords are ASCII, and the code page's other
// letters must not match them.
template <std::size_t N>
UINT StyleOf(const Keyword<UINT> (&table)[N], const std::wstring& text) {
  const Keyword<UINT>* row = FindKeyword(table, text);
  return row ? row->value : 0;
}

UINT DefaultButtonStyle(KlvInt button) {
  switch (button) {
    case 2: return MB_DEFBUTTON2;
    case 3: return MB_DEFBUTTON3;
    default: return MB_DEFBUTTON1;
  }
}

std::wstring ResultWord(int answer) {
  if (answer < IDOK || answer > IDNO) return std::wstring();
  return Widen(kResultWords[answer - IDOK]);
}

}  // namespace

}  // namespace klv

using klv::Arg;

/* Shows the platform's message box, owned by the calling thread's active
   window (so it stays above a full-screen stage, which takes no clicks
   meanwhile; unowned when the thread has none), and returns the word of
   the button that closed it ("Ok", "Cancel", "Abort", "Retry", "Ignore",
   "Yes", "No"). Buttons and Icon are keywords matched whole, ignoring the
   case of A-Z; unknown ones give one OK button and no icon. DefaultButton
   2 or 3 picks that button, anything else the first. MessageText and
   CaptionText go to the platform as they are (null included). The empty
   text when the box fails, answers otherwise, or a text is longer than
   the platform takes (then no box is shown). */
KlvTextW KLV_CALL kLvMessageBoxW(KlvTextW MessageText, KlvTextW CaptionText, KlvTextW Buttons, KlvTextW Icon,
                                 KlvInt DefaultButton) {
  return klv::TextExport(L"", [&] {
    const wchar_t* message = klv::RawArg(MessageText);
    const wchar_t* caption = klv::RawArg(CaptionText);
    // A longer text reaches Wine's box empty (32767 to 65535 characters) or
    // cut to its length modulo 65536: such a box is not shown.
    if (!klv::FitsPlatform(message) || !klv::FitsPlatform(caption)) return std::wstring();
    const UINT style = klv::StyleOf(klv::kButtonSets, Arg(Buttons)) + klv::StyleOf(klv::kIcons, Arg(Icon)) +
                       klv::DefaultButtonStyle(DefaultButton);
    return klv::ResultWord(MessageBoxW(klv::CallerWindow(), message, caption, style));
  });
}

KlvText KLV_CALL kLvMessageBox(KlvText MessageText, KlvText CaptionText, KlvText Buttons, KlvText Icon,
                               KlvInt DefaultButton) {
  return klv::AnsiValue(klv::CallWide(kLvMessageBoxW, MessageText, CaptionText, Buttons, Icon, DefaultButton), "");
}
