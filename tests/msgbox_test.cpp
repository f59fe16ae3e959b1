// The message box through its export, against Wine's real user32, driven
// from a second thread as a person would use it.
#include <vector>

#include "klv_test.h"
#include "klv_window.h"

using namespace klvtest;

namespace {

constexpr int kIconStatic = 1088;     // the box's icon control
constexpr int kMessageStatic = 0xFFFF;  // the box's message text

// What the box showed.
struct Box {
  std::vector<std::string> buttons;  // visible push buttons, in order
  std::string focused;               // the text of the button with the focus
  HICON icon = nullptr;
  std::string message;
};

Box Read(HWND window) {
  Box box;
  const HWND focus = FocusOf(window);
  for (const Control& control : Controls(window)) {
    if (control.className == "Button" && control.visible) {
      box.buttons.push_back(control.text);
      if (control.window == focus) box.focused = control.text;
    }
    if (control.id == kIconStatic) box.icon = reinterpret_cast<HICON>(SendMessageA(control.window, STM_GETICON, 0, 0));
    if (control.id == kMessageStatic) box.message = control.text;
  }
  return box;
}

HICON SystemIcon(LPCSTR name) { return LoadIconA(nullptr, name); }

class MsgBox : public ::testing::Test {
 protected:
  // Shows the box, reads it, and closes it with the button `press`.
  std::string Show(const char* message, const char* caption, const char* buttons, const char* icon, int defaultButton,
                   int press, Box* seen = nullptr, const std::string& screenshot = std::string()) {
    Box box;
    Person person(kDialogClass, caption ? caption : "Error", [&](HWND window) {
      box = Read(window);
      if (!screenshot.empty()) SaveScreenshot(window, ArtifactDir() + "\\" + screenshot);
      Press(window, press);
    });
    const std::string result = kLvMessageBox(message, caption, buttons, icon, defaultButton);
    person.Finish();
    EXPECT_TRUE(person.Saw()) << "no box captioned '" << (caption ? caption : "Error") << "' showed";
    EXPECT_EQ(person.Strays(), 0);
    if (seen) *seen = box;
    return result;
  }
};

using Words = std::vector<std::string>;

}  // namespace

TEST_F(MsgBox, OkCancelWithQuestionAndSecondButtonFocused) {
  Box box;
  EXPECT_EQ(Show("Save before leaving?", "kLv question", "OkCancel", "Question", 2, IDCANCEL, &box, "msgbox.bmp"),
            "Cancel");
  EXPECT_EQ(box.buttons, (Words{"OK", "Cancel"}));
  EXPECT_EQ(box.focused, "Cancel");
  EXPECT_EQ(box.icon, SystemIcon(IDI_QUESTION));
  EXPECT_EQ(box.message, "Save before leaving?");

  EXPECT_EQ(Show("Again", "kLv question", "OkCancel", "Question", 2, IDOK), "Ok");
}

TEST_F(MsgBox, EachButtonSetAndItsWords) {
  Box box;
  EXPECT_EQ(Show("m", "sets", "abortretryignore", "", 1, IDABORT, &box), "Abort");
  EXPECT_EQ(box.buttons, (Words{"&Abort", "&Retry", "&Ignore"}));
  EXPECT_EQ(box.focused, "&Abort");
  EXPECT_EQ(Show("m", "sets", "AbortRetryIgnore", "", 1, IDRETRY), "Retry");
  EXPECT_EQ(Show("m", "sets", "ABORTRETRYIGNORE", "", 1, IDIGNORE), "Ignore");

  EXPECT_EQ(Show("m", "sets", "yesnocancel", "", 3, IDYES, &box), "Yes");
  EXPECT_EQ(box.buttons, (Words{"&Yes", "&No", "Cancel"}));
  EXPECT_EQ(box.focused, "Cancel");

  EXPECT_EQ(Show("m", "sets", "YESNO", "", 1, IDYES, &box), "Yes");
  EXPECT_EQ(box.buttons, (Words{"&Yes", "&No"}));
  EXPECT_EQ(Show("m", "sets", "YesNo", "", 1, IDNO), "No");

  EXPECT_EQ(Show("m", "sets", "ok", "", 1, IDOK, &box), "Ok");
  EXPECT_EQ(box.buttons, (Words{"OK"}));
}

TEST_F(MsgBox, UnknownButtonSetsShowOneOkButton) {
  for (const char* buttons : {"retrycancel", "yes no", " yesno", "okcancel ", "ok cancel", "yesnocancelx", ""}) {
    Box box;
    EXPECT_EQ(Show("m", "unknown", buttons, "", 1, IDOK, &box), "Ok") << buttons;
    EXPECT_EQ(box.buttons, (Words{"OK"})) << "'" << buttons << "'";
  }
}

TEST_F(MsgBox, IconKeywords) {
  const struct {
    const char* keyword;
    LPCSTR icon;
  } icons[] = {{"stop", IDI_HAND},
               {"QUESTION", IDI_QUESTION},
               {"Exclamation", IDI_EXCLAMATION},
               {"information", IDI_ASTERISK}};
  for (const auto& entry : icons) {
    Box box;
    Show("m", "icons", "ok", entry.keyword, 1, IDOK, &box);
    EXPECT_NE(box.icon, nullptr) << entry.keyword;
    EXPECT_EQ(box.icon, SystemIcon(entry.icon)) << entry.keyword;
  }
  for (const char* keyword : {"warning", "error", "", "info", "question ", "stop!"}) {
    Box box;
    Show("m", "icons", "ok", keyword, 1, IDOK, &box);
    EXPECT_EQ(box.icon, nullptr) << "'" << keyword << "'";
  }
}

TEST_F(MsgBox, OnlyOneTwoAndThreePickTheDefaultButton) {
  for (int number : {0, 4, -1, 256, 0x7FFFFFFF}) {
    Box box;
    EXPECT_EQ(Show("m", "default", "yesnocancel", "", number, IDNO, &box), "No");
    EXPECT_EQ(box.focused, "&Yes") << number;
  }
  Box box;
  Show("m", "default", "yesnocancel", "", 2, IDCANCEL, &box);
  EXPECT_EQ(box.focused, "&No");
  Show("m", "default", "abortretryignore", "", 3, IDIGNORE, &box);
  EXPECT_EQ(box.focused, "&Ignore");
}

TEST_F(MsgBox, NullPointersAreEmptyKeywordsAndThePlatformsTexts) {
  Box box;
  // A null caption shows the platform's own caption.
  EXPECT_EQ(Show(nullptr, nullptr, nullptr, nullptr, 0, IDOK, &box), "Ok");
  EXPECT_EQ(box.buttons, (Words{"OK"}));
  EXPECT_EQ(box.icon, nullptr);
  EXPECT_EQ(box.message, "");
}

TEST_F(MsgBox, TextsUpToWhatThePlatformShowsWhole) {
  const std::string message = LongText(32766, 'm');
  const std::string caption = LongText(32766, 'c');
  Box box;
  EXPECT_EQ(Show(message.c_str(), caption.c_str(), "ok", "", 1, IDOK, &box), "Ok");
  EXPECT_EQ(box.message, message);
}

TEST_F(MsgBox, LongerTextsShowNoBox) {
  // Wine's box shows such texts empty or cut; no box is better than a wrong one.
  for (const std::size_t length : {std::size_t{32767}, std::size_t{65536}, std::size_t{100000}}) {
    const std::string text = LongText(length);
    for (const bool asCaption : {false, true}) {
      Person person(kDialogClass, "long", [](HWND window) { Press(window, IDOK); }, 1000);
      const char* result = asCaption ? kLvMessageBox("m", text.c_str(), "okcancel", "stop", 1)
                                     : kLvMessageBox(text.c_str(), "long", "okcancel", "stop", 1);
      person.Finish();
      ASSERT_NE(result, nullptr);
      EXPECT_STREQ(result, "") << length;
      EXPECT_FALSE(person.Saw()) << length;
      EXPECT_EQ(person.Strays(), 0) << length;
    }
  }
}

TEST_F(MsgBox, BelongsToTheCallersActiveWindow) {
  ExpectOwnedByTheCaller("owned", IDCANCEL, [] { EXPECT_STREQ(kLvMessageBox("m", "owned", "okcancel", "", 1), "Cancel"); });
}
